#include "lzh/area_header.h"

namespace quarnel::lzh {
namespace {

std::uint32_t readLittleEndian32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

void writeLittleEndian32(std::uint8_t* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::optional<AreaHeader> readAreaHeader(std::span<const std::uint8_t> area) {
    if (area.size() < AreaHeaderSize) return std::nullopt;
    return AreaHeader{readLittleEndian32(area.data()), readLittleEndian32(area.data() + 4)};
}

void writeAreaHeader(std::span<std::uint8_t> area, AreaHeader header) {
    writeLittleEndian32(area.data(), header.packedSize);
    writeLittleEndian32(area.data() + 4, header.unpackedSize);
}

}  // namespace quarnel::lzh
