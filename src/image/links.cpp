#include "links.h"

#include <algorithm>

#include "image_layout.h"
#include "rom_image.h"

namespace quarnel::image {

bool LinkTarget::endsChain() const { return linear == ChainEndLinear; }

LinkTarget readLink(std::span<const std::uint8_t> bytes, std::uint32_t linkOffset) {
    const std::uint32_t offset = readU16(bytes, linkOffset);
    const std::uint32_t segment = readU16(bytes, linkOffset + 2);
    const std::uint32_t linear = segment * 16 + offset;
    return {linear, static_cast<std::int64_t>(linear) + static_cast<std::int64_t>(bytes.size()) - LinkWindow};
}

void writeLink(std::span<std::uint8_t> bytes, std::uint32_t linkOffset, std::int64_t fileOffset) {
    const auto linear = static_cast<std::uint32_t>(fileOffset + LinkWindow - static_cast<std::int64_t>(bytes.size()));
    writeU16(bytes, linkOffset, static_cast<std::uint16_t>(linear & 0xF));
    writeU16(bytes, linkOffset + 2, static_cast<std::uint16_t>(linear >> 4));
}

void writeLinkAsRead(std::span<std::uint8_t> bytes, std::span<const std::uint8_t> asRead, std::uint32_t linkOffset,
                     std::int64_t fileOffset) {
    if (asRead.size() == bytes.size() && readLink(asRead, linkOffset).fileOffset == fileOffset)
        std::copy_n(asRead.begin() + linkOffset, 4, bytes.begin() + linkOffset);
    else
        writeLink(bytes, linkOffset, fileOffset);
}

}  // namespace quarnel::image
