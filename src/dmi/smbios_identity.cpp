#include "dmi/smbios_identity.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "dmi/smbios_layout.h"

namespace quarnel::dmi {
namespace {

constexpr std::size_t UuidOffset = 8;

struct Structure {
    std::size_t offset = 0;                   // in the table
    std::span<const std::uint8_t> formatted;  // header included
    std::vector<std::string> strings;         // string number n is strings[n - 1]
};

std::uint32_t readLe(std::span<const std::uint8_t> bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
    return value;
}

bool startsWith(std::span<const std::uint8_t> bytes, std::size_t at, const char* text) {
    const std::size_t n = std::strlen(text);
    return bytes.size() >= at + n && std::memcmp(bytes.data() + at, text, n) == 0;
}

// An entry point's bytes add up to 0 (modulo 256) over the length it
// declares, or the length its kind has. A wrong sum means a damaged or
// hand-made dump, whose table addresses can't be trusted.
Result checkEntryPoint(std::span<const std::uint8_t> file, const char* anchor, std::size_t at,
                       std::size_t length) {
    const std::string name = std::string("the entry point \"") + anchor + "\" at offset " + std::to_string(at);
    if (at + length > file.size())
        return {Outcome::BadData, name + " is cut short: it takes " + std::to_string(length) + " bytes, the file ends after " +
                                      std::to_string(file.size() - at)};
    std::uint8_t sum = 0;
    for (std::size_t i = at; i < at + length; ++i) sum = static_cast<std::uint8_t>(sum + file[i]);
    if (sum != 0)
        return {Outcome::BadData, name + " has a wrong checksum: its " + std::to_string(length) +
                                      " bytes add up to " + std::to_string(sum) + ", not 0 (modulo 256)"};
    return {};
}

// The length an entry point declares in its byte `at`, when it is one an
// SMBIOS reader takes (at least the fields read here, at most 32 bytes).
Result declaredLength(std::span<const std::uint8_t> file, const char* anchor, std::size_t at, std::size_t least,
                      std::size_t& length) {
    length = at < file.size() ? file[at] : 0;
    if (length >= least && length <= 0x20) return {};
    return {Outcome::BadData, std::string("the entry point \"") + anchor + "\" declares a length of " +
                                  std::to_string(length) + " bytes; it takes " + std::to_string(least) + " to 32"};
}

// The table inside the file: where its entry point says, or the whole file
// when there is none. The entry point is refused when its checksums fail.
Result locateTable(std::span<const std::uint8_t> file, std::span<const std::uint8_t>& table) {
    std::uint64_t address = 0, length = 0;
    std::size_t entryLength = 0;
    if (startsWith(file, 0, "_SM3_")) {
        if (Result r = declaredLength(file, "_SM3_", 0x06, 0x18, entryLength); !r.ok()) return r;
        if (Result r = checkEntryPoint(file, "_SM3_", 0, entryLength); !r.ok()) return r;
        length = readLe(file, 0x0C, 4);  // a maximum: the walk ends at type 127
        address = readLe(file, 0x10, 4) | std::uint64_t{readLe(file, 0x14, 4)} << 32;
    } else if (startsWith(file, 0, "_SM_") && startsWith(file, 0x10, "_DMI_")) {
        if (Result r = declaredLength(file, "_SM_", 0x05, 0x1F, entryLength); !r.ok()) return r;
        if (Result r = checkEntryPoint(file, "_SM_", 0, entryLength); !r.ok()) return r;
        if (Result r = checkEntryPoint(file, "_DMI_", 0x10, 0x0F); !r.ok()) return r;
        length = readLe(file, 0x16, 2);
        address = readLe(file, 0x18, 4);
    } else if (startsWith(file, 0, "_DMI_")) {
        if (Result r = checkEntryPoint(file, "_DMI_", 0, 0x0F); !r.ok()) return r;
        length = readLe(file, 0x06, 2);
        address = readLe(file, 0x08, 4);
    } else {
        table = file;
        return {};
    }
    if (address >= file.size())
        return {Outcome::BadData, "the entry point puts the table at " + std::to_string(address) +
                                             ", beyond the end of the file (" + std::to_string(file.size()) +
                                             " bytes); is it a dump made by dmidecode --dump-bin?"};
    table = file.subspan(address, std::min<std::uint64_t>(length, file.size() - address));
    return {};
}

// The structure at `offset`, or nothing when it doesn't lie whole in the
// table; `next` is where the following one starts.
std::optional<Structure> structureAt(std::span<const std::uint8_t> table, std::size_t offset, std::size_t& next) {
    if (offset + SmbiosHeaderSize > table.size() || table[offset + 1] < SmbiosHeaderSize ||
        offset + table[offset + 1] > table.size())
        return std::nullopt;
    Structure s{offset, table.subspan(offset, table[offset + 1]), {}};
    std::size_t p = offset + table[offset + 1];
    if (p + 1 < table.size() && table[p] == 0 && table[p + 1] == 0) {
        next = p + 2;
        return s;
    }
    while (p < table.size()) {
        const auto* begin = table.data() + p;
        const auto* nul = std::find(begin, table.data() + table.size(), std::uint8_t{0});
        if (nul == table.data() + table.size()) return std::nullopt;
        if (nul == begin) {  // the empty string that ends the set
            next = p + 1;
            return s;
        }
        s.strings.emplace_back(begin, nul);
        p += static_cast<std::size_t>(nul - begin) + 1;
    }
    return std::nullopt;
}

// The first structure of each of types 1 and 3.
struct Found {
    std::optional<Structure> type1, type3;
    std::optional<std::size_t> cutAt;  // the walk stopped at a structure that doesn't fit
};

Found walkTable(std::span<const std::uint8_t> table) {
    Found found;
    std::size_t offset = 0;
    while (offset < table.size()) {
        std::size_t next = 0;
        std::optional<Structure> s = structureAt(table, offset, next);
        if (!s) {
            found.cutAt = offset;
            break;
        }
        const std::uint8_t type = s->formatted[0];
        if (type == 1 && !found.type1) found.type1 = std::move(s);
        else if (type == 3 && !found.type3) found.type3 = std::move(s);
        if (type == SmbiosEndOfTable) break;
        offset = next;
    }
    return found;
}

struct FieldSource {
    int row;
    std::size_t offset;  // in the formatted area
    const char* name;
};

constexpr std::array<FieldSource, 4> Type1Sources = {
    {{1, 4, "Manufacturer"}, {2, 5, "Product Name"}, {3, 6, "Version"}, {4, 7, "Serial Number"}}};
constexpr std::array<FieldSource, 4> Type3Sources = {
    {{1, 4, "Manufacturer"}, {2, 6, "Version"}, {3, 7, "Serial Number"}, {4, 8, "Asset Tag"}}};

void takeStrings(const std::optional<Structure>& s, int type, const std::array<FieldSource, 4>& sources,
                 DmiEdits& edits, std::vector<std::string>& notes) {
    const std::string typeName = "type " + std::to_string(type);
    if (!s) {
        notes.push_back("the table holds no " + typeName + " structure: rows 1 to 4 of " + typeName +
                        (type == 1 ? " and the UUID" : "") + " are left as they are");
        return;
    }
    for (const FieldSource& source : sources) {
        const std::string where = typeName + " " + source.name + " (row " + std::to_string(source.row) + ")";
        if (source.offset >= s->formatted.size()) {
            notes.push_back(where + ": the structure is too short to hold it; left as it is");
            continue;
        }
        const std::uint8_t number = s->formatted[source.offset];
        if (number == 0 || number > s->strings.size()) {
            notes.push_back(where + ": names string " + std::to_string(number) + ", which the structure " +
                            (number == 0 ? "uses for no string" : "does not have") + "; left as it is");
            continue;
        }
        edits.fields.push_back({type, source.row, s->strings[number - 1], true});
    }
}

void takeUuid(const std::optional<Structure>& s, DmiEdits& edits, std::vector<std::string>& notes) {
    if (!s) return;
    if (s->formatted.size() < UuidOffset + 16) {
        notes.push_back("type 1 is too short to hold a UUID (SMBIOS before 2.1); the UUID is left as it is");
        return;
    }
    Uuid uuid{};
    std::copy_n(s->formatted.begin() + UuidOffset, 16, uuid.begin());
    edits.uuid = uuid;
}

}  // namespace

Result identityFromTable(std::span<const std::uint8_t> file, DmiEdits& edits,
                         std::vector<std::string>& notes) {
    std::span<const std::uint8_t> table;
    if (Result r = locateTable(file, table); !r.ok()) return r;
    const Found found = walkTable(table);
    if (!found.type1 && !found.type3 && (table.empty() || found.cutAt == std::size_t{0}))
        return {Outcome::BadData, "this is not an SMBIOS table: no structure can be read at its start"};
    if (found.cutAt)
        notes.push_back("the table ends inside the structure at offset " + std::to_string(*found.cutAt) +
                        "; nothing from there on is read");
    takeStrings(found.type1, 1, Type1Sources, edits, notes);
    takeStrings(found.type3, 3, Type3Sources, edits, notes);
    takeUuid(found.type1, edits, notes);
    return {};
}

}  // namespace quarnel::dmi
