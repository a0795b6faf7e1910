// What Extract reads out of the DMI module, and the program's copy of it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quarnel::dmi {

// One string of a structure's string-set. Its length is fixed when the
// module is read, so writing it back never moves a byte of the module:
// `text` always holds exactly `length` characters.
struct DmiStringField {
    std::string text;
    std::int32_t length = 0;
};

// Strings 1 to 4 of a structure's string-set, in string-set order.
using DmiFields = std::array<DmiStringField, 4>;

using Uuid = std::array<std::uint8_t, 16>;

struct DmiState {
    std::uint32_t signatureOffset = 0;  // first byte of "American Megatrends"
    std::string biosDate;               // MM/DD/YYYY, found 33 bytes after the signature
    bool dmiChangesSupported = false;
    Uuid uuid{};
    std::uint32_t type1StringsOffset = 0;
    std::uint32_t type3StringsOffset = 0;
    DmiFields type1Fields;
    DmiFields type2Fields;
    DmiFields type3Fields;
};

// A byte-for-byte copy of module 6's plain contents. Pack writes the edited
// strings and the UUID into it in place; its length never changes.
struct DmiWorkBuffer {
    std::vector<std::uint8_t> bytes;
};

}  // namespace quarnel::dmi
