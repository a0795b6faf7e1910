// Segment:offset links on raw image bytes: a 16-bit offset then a 16-bit
// segment; the last byte of the image sits at linear address 0xFFFFF.
#pragma once

#include <cstdint>
#include <span>

namespace quarnel::image {

struct LinkTarget {
    std::uint32_t linear = 0;
    std::int64_t fileOffset = 0;  // may lie outside the file
    bool endsChain() const;
};

// Reads the link stored at `linkOffset`; the caller keeps its 4 bytes inside
// `bytes`.
LinkTarget readLink(std::span<const std::uint8_t> bytes, std::uint32_t linkOffset);
// Writes the normalised link (offset = linear & 0xF) to `fileOffset`.
void writeLink(std::span<std::uint8_t> bytes, std::uint32_t linkOffset, std::int64_t fileOffset);
// The same, but where the image as read (`asRead`, as long as `bytes`) held
// a link there that leads to `fileOffset` already, in whatever form, that
// link is written back as it was.
void writeLinkAsRead(std::span<std::uint8_t> bytes, std::span<const std::uint8_t> asRead, std::uint32_t linkOffset,
                     std::int64_t fileOffset);

}  // namespace quarnel::image
