// What Extract reads out of the DMI module, and the program's copy of it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quarnel::dmi {

// One identity field: the string its structure names by number.
struct DmiStringField {
    std::string text;         // as held now: Latin-1 bytes, as in the ROM
    std::int32_t length = 0;  // as read: what a field that keeps its length holds
    std::uint8_t number = 0;  // the string number read; 0: the field is empty
    bool present = false;     // the structure is long enough to name a string for it
    std::string fault;        // why the field can't be read or set (a number past the strings)
};

// The fields of one type, row 1 first (identity_fields.h).
using DmiFields = std::vector<DmiStringField>;

using Uuid = std::array<std::uint8_t, 16>;

struct DmiState {
    std::uint32_t signatureOffset = 0;  // first byte of "American Megatrends"
    std::string biosDate;               // MM/DD/YYYY, found 33 bytes after the signature
    bool dmiChangesSupported = false;
    Uuid uuid{};
    std::uint32_t type1StringsOffset = 0;
    std::uint32_t type3StringsOffset = 0;
    DmiFields type1Fields = DmiFields(6);
    DmiFields type2Fields = DmiFields(5);
    DmiFields type3Fields = DmiFields(4);
    // The module's table may be rewritten with strings of other lengths;
    // otherwise every string keeps its length, for `fixedReason`.
    bool resizable = false;
    std::string fixedReason;
    // Edits are cut or padded to the old lengths and written over the old
    // strings, whatever the module allows.
    bool keepLengths = false;
    std::uint32_t moduleSize = 0;
};

// The fields of type 1, 2 or 3 (type 1's for any other).
const DmiFields& fieldsOfType(const DmiState& state, int type);
// The field of that type and row (from 1); null when there is none.
const DmiStringField* heldField(const DmiState& state, int type, int row);
DmiStringField* heldField(DmiState& state, int type, int row);

// A byte-for-byte copy of module 6's plain contents. Pack writes the edited
// strings and the UUID into it; its length never changes.
struct DmiWorkBuffer {
    std::vector<std::uint8_t> bytes;
};

}  // namespace quarnel::dmi
