#include "lzh/area_header.h"

#include "lzh/little_endian.h"

namespace quarnel::lzh {

std::optional<AreaHeader> readAreaHeader(std::span<const std::uint8_t> area) {
    if (area.size() < AreaHeaderSize) return std::nullopt;
    return AreaHeader{readU32(area, 0), readU32(area, 4)};
}

void writeAreaHeader(std::span<std::uint8_t> area, AreaHeader header) {
    writeU32(area, 0, header.packedSize);
    writeU32(area, 4, header.unpackedSize);
}

}  // namespace quarnel::lzh
