#include "dmi/smbios_identity.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "dmi/identity_fields.h"
#include "dmi/smbios_layout.h"
#include "dmi/smbios_structure.h"

namespace quarnel::dmi {
namespace {

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

void takeStrings(const SmbiosWalk& walk, DmiEdits& edits, std::vector<std::string>& notes) {
    for (int type = 1; type <= 3; ++type)
        if (!firstOfType(walk, static_cast<std::uint8_t>(type)))
            notes.push_back("the table holds no type " + std::to_string(type) + " structure: its fields" +
                            (type == 1 ? " and the UUID" : "") + " are left as they are");
    for (const IdentityField& field : IdentityFields) {
        const SmbiosStructure* s = firstOfType(walk, static_cast<std::uint8_t>(field.type));
        if (!s) continue;
        const std::optional<std::uint8_t> number = s->byteAt(field.offset);
        if (!number) {
            notes.push_back(fieldLabel(field) + ": the structure is too short to hold it; left as it is");
            continue;
        }
        if (*number == 0 || *number > s->strings.size()) {
            notes.push_back(fieldLabel(field) + ": names string " + std::to_string(*number) + ", which the structure " +
                            (*number == 0 ? "uses for no string" : "does not have") + "; left as it is");
            continue;
        }
        edits.fields.push_back({field.type, field.row, s->strings[*number - 1], true});
    }
}

void takeUuid(const SmbiosWalk& walk, DmiEdits& edits, std::vector<std::string>& notes) {
    const SmbiosStructure* s = firstOfType(walk, 1);
    if (!s) return;
    if (s->formatted.size() < UuidFieldOffset + 16) {
        notes.push_back("type 1 is too short to hold a UUID (SMBIOS before 2.1); the UUID is left as it is");
        return;
    }
    Uuid uuid{};
    std::copy_n(s->formatted.begin() + UuidFieldOffset, 16, uuid.begin());
    edits.uuid = uuid;
}

}  // namespace

void identityFromWalk(const SmbiosWalk& walk, DmiEdits& edits, std::vector<std::string>& notes) {
    takeStrings(walk, edits, notes);
    takeUuid(walk, edits, notes);
}

Result identityFromTable(std::span<const std::uint8_t> file, DmiEdits& edits,
                         std::vector<std::string>& notes) {
    std::span<const std::uint8_t> table;
    if (Result r = locateTable(file, table); !r.ok()) return r;
    const SmbiosWalk walk = walkStructures(table);
    if (walk.structures.empty())
        return {Outcome::BadData, "this is not an SMBIOS table: no structure can be read at its start"};
    if (walk.cutAt)
        notes.push_back("the table ends inside the structure at offset " + std::to_string(*walk.cutAt) +
                        "; nothing from there on is read");
    identityFromWalk(walk, edits, notes);
    return {};
}

}  // namespace quarnel::dmi
