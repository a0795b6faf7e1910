#include "dmi/dmi_module_table.h"

#include <algorithm>
#include <cstring>

#include "dmi/smbios_dump.h"
#include "dmi/smbios_structure.h"
#include "image/hex_text.h"

namespace quarnel::dmi {
namespace {

constexpr std::uint8_t HeaderVersion[] = {0x03, 0x02, 0x01, 0x01, 0x00};

bool hasAmiDmiHeader(std::span<const std::uint8_t> module) {
    return module.size() >= AmiDmiHeaderSize && std::memcmp(module.data(), AmiDmiMarker, 8) == 0 &&
           std::memcmp(module.data() + 8, HeaderVersion, sizeof HeaderVersion) == 0 && module[15] == 0;
}

// The table behind the header, when the header's end value and the zero
// bytes after it agree with it; otherwise why not.
std::string checkHeaderTable(std::span<const std::uint8_t> module, ModuleTable& table) {
    const SmbiosWalk walk = walkStructures(module.subspan(AmiDmiHeaderSize));
    if (!walk.ended) return "its table has no end-of-table structure inside the module";
    table.start = AmiDmiHeaderSize;
    table.end = static_cast<std::uint32_t>(AmiDmiHeaderSize + walk.end);
    const std::uint32_t declared = headerTableEnd(module);
    if (declared != table.end)
        return "its header puts the table's end at 0x" + image::hexText(declared, 4) + ", but the table ends at 0x" +
               image::hexText(table.end, 4);
    if (std::any_of(module.begin() + table.end, module.end(), [](std::uint8_t b) { return b != 0; }))
        return "bytes other than zero follow its table";
    return {};
}

}  // namespace

std::uint32_t headerTableEnd(std::span<const std::uint8_t> module) {
    return module[TableEndFieldOffset] | std::uint32_t{module[TableEndFieldOffset + 1]} << 8;
}

Result locateModuleTable(std::span<const std::uint8_t> module, std::uint32_t signatureOffset, ModuleTable& table) {
    table = {};
    if (hasAmiDmiHeader(module)) {
        table.fixedReason = checkHeaderTable(module, table);
        table.resizable = table.fixedReason.empty();
        if (table.resizable) return {};
    }
    StructureTable found;
    if (Result r = locateStructureTable(module, signatureOffset, found); !r.ok()) return r;
    table.start = found.offset;
    table.end = found.offset + found.length;
    if (table.fixedReason.empty()) table.fixedReason = "it has no \"_AMIDMI_\" header saying where its table ends";
    table.fixedReason = "module 6 keeps its strings' lengths: " + table.fixedReason;
    return {};
}

Result readModuleTable(std::span<const std::uint8_t> module, std::uint32_t signatureOffset, ModuleTableView& view) {
    if (Result r = locateModuleTable(module, signatureOffset, view.table); !r.ok()) return r;
    view.walk = walkStructures(module.subspan(view.table.start, view.table.end - view.table.start));
    return {};
}

}  // namespace quarnel::dmi
