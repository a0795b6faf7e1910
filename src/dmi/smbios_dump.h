// The DMI module's structure table as a file that SMBIOS tools read
// (dmidecode --from-dump): a 2.x entry point at offset 0, the table at 0x20.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "lzh/result.h"

namespace quarnel::dmi {

// The entry point declares this SMBIOS version: the last before 2.6, whose
// readers show the UUID's first three fields byte-swapped.
inline constexpr std::uint8_t DumpMajorVersion = 2;
inline constexpr std::uint8_t DumpMinorVersion = 5;
inline constexpr std::uint32_t DumpTableAddress = 0x20;

struct StructureTable {
    std::uint32_t offset = 0;  // in the module
    std::uint32_t length = 0;
    std::uint16_t count = 0;
    std::uint16_t largestStructure = 0;
};

// The table starts at the type-0 header whose formatted area ends where the
// "American Megatrends" vendor string begins, and runs structure by
// structure to the end-of-table structure (type 127) or the module's end.
Result locateStructureTable(std::span<const std::uint8_t> module, std::uint32_t signatureOffset,
                            StructureTable& table);

// The dump: an SMBIOS 2.5 entry point, then the module's structure table.
Result buildSmbiosDump(std::span<const std::uint8_t> module, std::uint32_t signatureOffset,
                       std::vector<std::uint8_t>& dump);

}  // namespace quarnel::dmi
