// Where module 6 keeps its SMBIOS table, and whether the table may change
// its length.
//
// The DMI modules of AMIBIOS 8 start with a header of 16 bytes: "_AMIDMI_",
// the bytes 03 02 01 01 00, the offset of the byte after the table's
// end-of-table structure (16-bit little-endian, at 13) and a 0 byte. The
// table follows at offset 16 and zero bytes fill the module behind it, so a
// table rewritten with longer or shorter strings keeps the module's size as
// long as it ends inside it. Modules without that header keep their table
// where it lies, found from the type-0 structure whose vendor string is
// "American Megatrends"; their strings keep their lengths.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "dmi/smbios_structure.h"
#include "lzh/result.h"

namespace quarnel::dmi {

inline constexpr char AmiDmiMarker[] = "_AMIDMI_";
inline constexpr std::uint32_t AmiDmiHeaderSize = 16;
inline constexpr std::uint32_t TableEndFieldOffset = 13;

struct ModuleTable {
    std::uint32_t start = 0;  // the first structure, in the module
    std::uint32_t end = 0;    // past the end-of-table structure
    bool resizable = false;
    std::string fixedReason;  // why the strings keep their lengths, when they do
};

// BadData when no table can be found (its message says why).
Result locateModuleTable(std::span<const std::uint8_t> module, std::uint32_t signatureOffset, ModuleTable& table);

// The table and its structures (their offsets from the table's start).
struct ModuleTableView {
    ModuleTable table;
    SmbiosWalk walk;
};
Result readModuleTable(std::span<const std::uint8_t> module, std::uint32_t signatureOffset, ModuleTableView& view);

// The header's end-of-table value.
std::uint32_t headerTableEnd(std::span<const std::uint8_t> module);

}  // namespace quarnel::dmi
