// Facts of the SMBIOS structure table that its two readers share: the
// module's own table and a table dumped from a running system.
#pragma once

#include <cstdint>

namespace quarnel::dmi {

// The type of the structure that ends a table.
inline constexpr std::uint8_t SmbiosEndOfTable = 127;
// Type, length and handle: the bytes every structure starts with.
inline constexpr std::uint32_t SmbiosHeaderSize = 4;

}  // namespace quarnel::dmi
