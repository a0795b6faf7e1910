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

}  // namespace

std::uint32_t dwordChecksum(std::span<const std::uint8_t> image, std::uint32_t start, std::uint32_t length) {
    std::uint32_t sum = 0;
    const std::uint64_t end = static_cast<std::uint64_t>(start) + length;
    for (std::uint64_t at = start; at < end; at += 4) sum += wordAt(image, at);
    return 0u - sum;
}

std::uint32_t byteChecksum(std::span<const std::uint8_t> image, std::uint32_t blockStart, std::uint32_t length) {
    std::uint32_t sum = 0;
    for (std::uint32_t i = 0; i < length; ++i)
        if (i < BlockChecksumField || i >= BlockChecksumField + 4) sum += image[blockStart + i];
    return (0u - sum) & 0xFF;
}

}  // namespace quarnel::image
