#include "dmi/smbios_dump.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "dmi/smbios_layout.h"

namespace quarnel::dmi {
namespace {

constexpr std::uint32_t EntryPointLength = 0x1F;
constexpr std::uint32_t MinBiosInformationLength = 0x12;

// A type-0 header sits `length` bytes before its string-set, and its vendor
// field names string 1, the signature.
std::optional<std::uint32_t> findBiosInformationHeader(std::span<const std::uint8_t> module,
                                                      std::uint32_t signatureOffset) {
    for (std::uint32_t length = MinBiosInformationLength; length <= 0xFF && length <= signatureOffset; ++length) {
        std::uint32_t o = signatureOffset - length;
        if (module[o] == 0 && module[o + 1] == length && module[o + 4] == 1) return o;
    }
    return std::nullopt;
}

// The end of the structure at `o` (past its string-set's closing NUL), or
// nothing when it doesn't lie whole inside the module.
std::optional<std::uint32_t> structureEnd(std::span<const std::uint8_t> module, std::uint32_t o) {
    if (o + SmbiosHeaderSize > module.size() || module[o + 1] < SmbiosHeaderSize) return std::nullopt;
    std::uint64_t strings = std::uint64_t{o} + module[o + 1];
    for (std::uint64_t i = strings; i + 1 < module.size(); ++i)
        if (module[i] == 0 && module[i + 1] == 0) return static_cast<std::uint32_t>(i + 2);
    return std::nullopt;
}

void putU16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

std::uint8_t checksumOf(const std::uint8_t* bytes, std::size_t length) {
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < length; ++i) sum = static_cast<std::uint8_t>(sum + bytes[i]);
    return static_cast<std::uint8_t>(-sum);
}

std::vector<std::uint8_t> entryPoint(const StructureTable& table) {
    std::vector<std::uint8_t> ep(DumpTableAddress, 0);
    std::memcpy(ep.data(), "_SM_", 4);
    ep[5] = EntryPointLength;
    ep[6] = DumpMajorVersion;
    ep[7] = DumpMinorVersion;
    putU16(ep, 8, table.largestStructure);
    std::memcpy(ep.data() + 0x10, "_DMI_", 5);
    putU16(ep, 0x16, table.length);
    putU16(ep, 0x18, DumpTableAddress);
    putU16(ep, 0x1A, 0);
    putU16(ep, 0x1C, table.count);
    ep[0x1E] = static_cast<std::uint8_t>(DumpMajorVersion << 4 | DumpMinorVersion);
    ep[0x15] = checksumOf(ep.data() + 0x10, 0x0F);
    ep[4] = checksumOf(ep.data(), EntryPointLength);
    return ep;
}

}  // namespace

Result locateStructureTable(std::span<const std::uint8_t> module, std::uint32_t signatureOffset,
                            StructureTable& table) {
    if (signatureOffset >= module.size())
        return {Outcome::BadData, "The DMI module holds no \"American Megatrends\" signature"};
    auto start = findBiosInformationHeader(module, signatureOffset);
    if (!start) return {Outcome::BadData, "No BIOS information structure (type 0) stands before \"American Megatrends\""};

    table = {*start, 0, 0, 0};
    std::uint32_t o = *start;
    while (auto end = structureEnd(module, o)) {
        std::uint8_t type = module[o];
        table.count++;
        table.largestStructure = static_cast<std::uint16_t>(std::max<std::uint32_t>(table.largestStructure, *end - o));
        o = *end;
        if (type == SmbiosEndOfTable) break;
    }
    table.length = o - *start;
    if (table.length > 0xFFFF || table.count == 0xFFFF)
        return {Outcome::BadData, "The DMI structure table is too long for an SMBIOS 2.x entry point"};
    return {};
}

Result buildSmbiosDump(std::span<const std::uint8_t> module, std::uint32_t signatureOffset,
                       std::vector<std::uint8_t>& dump) {
    StructureTable table;
    if (Result r = locateStructureTable(module, signatureOffset, table); !r.ok()) return r;
    dump = entryPoint(table);
    auto structures = module.subspan(table.offset, table.length);
    dump.insert(dump.end(), structures.begin(), structures.end());
    return {};
}

}  // namespace quarnel::dmi
