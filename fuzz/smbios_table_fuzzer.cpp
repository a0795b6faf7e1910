// SMBIOS tables as --from-dump and --from-system read them. The input's
// first byte picks the form: the rest as it is (a raw table, or a dump with
// whatever entry point it holds), or the rest as a table behind an entry
// point of the kind picked ("_SM_", "_SM3_", "_DMI_") with sound checksums,
// so that the walk is reached past the checks. Whatever is read gives edits
// of identity fields alone, each once, as the table's bytes; applied with
// kept lengths, they keep every field's length, and written exactly only a
// string over 64 bytes is refused.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "dmi/dmi_edit.h"
#include "dmi/identity_fields.h"
#include "dmi/smbios_identity.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void put(Bytes& bytes, std::size_t at, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

void setChecksum(Bytes& bytes, std::size_t from, std::size_t length, std::size_t at) {
    std::uint8_t sum = 0;
    for (std::size_t i = from; i < from + length; ++i) sum = static_cast<std::uint8_t>(sum + bytes[i]);
    bytes[at] = static_cast<std::uint8_t>(bytes[at] - sum);
}

Bytes fileAround(std::uint8_t form, std::span<const std::uint8_t> table) {
    Bytes file;
    switch (form % 4) {
        case 1:  // SMBIOS 2.x
            file.assign(0x20, 0);
            std::memcpy(file.data(), "_SM_", 4);
            file[5] = 0x1F;
            std::memcpy(file.data() + 0x10, "_DMI_", 5);
            put(file, 0x16, table.size(), 2);
            put(file, 0x18, 0x20, 4);
            setChecksum(file, 0x10, 0x0F, 0x15);
            setChecksum(file, 0, 0x1F, 4);
            break;
        case 2:  // SMBIOS 3
            file.assign(0x18, 0);
            std::memcpy(file.data(), "_SM3_", 5);
            file[6] = 0x18;
            put(file, 0x0C, table.size(), 4);
            put(file, 0x10, 0x18, 8);
            setChecksum(file, 0, 0x18, 5);
            break;
        case 3:  // the legacy entry point alone
            file.assign(0x10, 0);
            std::memcpy(file.data(), "_DMI_", 5);
            put(file, 0x06, table.size(), 2);
            put(file, 0x08, 0x10, 4);
            setChecksum(file, 0, 0x0F, 5);
            break;
        default: break;
    }
    file.insert(file.end(), table.begin(), table.end());
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quarnel::dmi;
    if (size == 0) return 0;
    const Bytes file = fileAround(data[0], {data + 1, size - 1});
    DmiEdits edits;
    std::vector<std::string> notes;
    if (!identityFromTable(file, edits, notes).ok()) return 0;

    std::set<std::pair<int, int>> rows;
    bool tooLong = false;
    for (const FieldEdit& edit : edits.fields) {
        if (!identityField(edit.type, edit.row) || !edit.asStored || !rows.emplace(edit.type, edit.row).second)
            __builtin_trap();
        if (edit.text.find('\0') != std::string::npos || edit.text.size() >= file.size()) __builtin_trap();
        tooLong = tooLong || edit.text.size() > MaxFieldLength;
    }

    // Cut or padded to the held lengths, a table's strings never fail a
    // pack, whatever bytes they hold, and every field keeps its length.
    DmiState state;
    for (DmiFields* fields : {&state.type1Fields, &state.type2Fields, &state.type3Fields})
        for (std::size_t i = 0; i < fields->size(); ++i)
            (*fields)[i] = {std::string(i * 3, 'x'), static_cast<std::int32_t>(i * 3), 1, true, {}};
    DmiState exact = state;
    exact.resizable = true;
    DmiEdits kept = edits;
    kept.keepLengths = true;
    if (!applyEdits(state, kept, notes).ok()) __builtin_trap();
    for (const DmiFields* fields : {&state.type1Fields, &state.type2Fields, &state.type3Fields})
        for (const DmiStringField& field : *fields)
            if (field.text.size() != static_cast<std::size_t>(field.length)) __builtin_trap();
    // Written exactly, only a string longer than a field takes is refused.
    if (applyEdits(exact, edits, notes).ok() == tooLong) __builtin_trap();
    return 0;
}
