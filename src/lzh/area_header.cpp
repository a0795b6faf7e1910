#include "lzh/lzh.h"

namespace quarnel::lzh {
namespace {

std::uint32_t readLittleEndian32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

}  // namespace

std::optional<AreaHeader> readAreaHeader(std::span<const std::uint8_t> area) {
    if (area.size() < AreaHeaderSize) return std::nullopt;
    return AreaHeader{readLittleEndian32(area.data()), readLittleEndian32(area.data() + 4)};
}

}  // namespace quarnel::lzh
