// Writing the compressed area's two sizes; reading them is public (lzh.h).
#pragma once

#include <cstdint>
#include <span>

#include "lzh.h"

namespace quarnel::lzh {

// Writes packedSize and unpackedSize into the first 8 bytes of `area`.
void writeAreaHeader(std::span<std::uint8_t> area, AreaHeader header);

}  // namespace quarnel::lzh
