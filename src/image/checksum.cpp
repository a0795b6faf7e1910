#include <algorithm>
#include <bit>
#include <cstring>

#include "image_layout.h"
#include "rom_image.h"

namespace quarnel::image {
namespace {

// A last partial word reaches behind the stretch; past the image's end its
// bytes count as zero.
std::uint32_t wordAt(std::span<const std::uint8_t> image, std::uint64_t at) {
    if (at + 4 <= image.size()) return readU32(image, static_cast<std::uint32_t>(at));
    std::uint32_t word = 0;
    for (std::uint64_t i = 0; at + i < image.size(); ++i) word |= static_cast<std::uint32_t>(image[at + i]) << (8 * i);
    return word;
}

// The sum of `count` whole words from `bytes`, with the native loads where
// they are little-endian: every byte of the chain is summed more than once
// per Pack.
std::uint32_t sumOfWords(const std::uint8_t* bytes, std::size_t count) {
    std::uint32_t sum = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (std::size_t i = 0; i < count; ++i) {
            std::uint32_t word;
            std::memcpy(&word, bytes + 4 * i, 4);
            sum += word;
        }
    } else {
        for (std::size_t i = 0; i < count; ++i) sum += readU32({bytes + 4 * i, 4}, 0);
    }
    return sum;
}

}  // namespace

std::uint32_t dwordChecksum(std::span<const std::uint8_t> image, std::uint32_t start, std::uint32_t length) {
    const std::uint64_t end = static_cast<std::uint64_t>(start) + length;
    const std::uint64_t inside = start < image.size() ? (image.size() - start) / 4 : 0;
    const std::uint64_t whole = std::min<std::uint64_t>((length + 3ull) / 4, inside);
    std::uint32_t sum = whole ? sumOfWords(image.data() + start, whole) : 0;
    for (std::uint64_t at = start + 4 * whole; at < end; at += 4) sum += wordAt(image, at);
    return 0u - sum;
}

std::uint32_t byteChecksum(std::span<const std::uint8_t> image, std::uint32_t blockStart, std::uint32_t length) {
    std::uint32_t sum = 0;
    for (std::uint32_t i = 0; i < length; ++i)
        if (i < BlockChecksumField || i >= BlockChecksumField + 4) sum += image[blockStart + i];
    return (0u - sum) & 0xFF;
}

}  // namespace quarnel::image
