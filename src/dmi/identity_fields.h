// The identity a technician sets: the strings of the system (type 1), base
// board (type 2) and chassis (type 3) structures, each the string that a
// byte of its structure's formatted area names by number. Each has a row
// within its type (the order the window and --typeN use) and the keyword
// dmidecode -s knows it by.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quarnel::dmi {

struct IdentityField {
    int type;
    int row;                  // from 1, within the type
    std::uint8_t offset;      // of the string number, in the formatted area
    const char* keyword;      // as dmidecode -s names it
    const char* name;
};

inline constexpr std::array<IdentityField, 15> IdentityFields = {{
    {1, 1, 0x04, "system-manufacturer", "Manufacturer"},
    {1, 2, 0x05, "system-product-name", "Product Name"},
    {1, 3, 0x06, "system-version", "Version"},
    {1, 4, 0x07, "system-serial-number", "Serial Number"},
    {1, 5, 0x19, "system-sku-number", "SKU Number"},
    {1, 6, 0x1A, "system-family", "Family"},
    {2, 1, 0x04, "baseboard-manufacturer", "Manufacturer"},
    {2, 2, 0x05, "baseboard-product-name", "Product Name"},
    {2, 3, 0x06, "baseboard-version", "Version"},
    {2, 4, 0x07, "baseboard-serial-number", "Serial Number"},
    {2, 5, 0x08, "baseboard-asset-tag", "Asset Tag"},
    {3, 1, 0x04, "chassis-manufacturer", "Manufacturer"},
    {3, 2, 0x06, "chassis-version", "Version"},
    {3, 3, 0x07, "chassis-serial-number", "Serial Number"},
    {3, 4, 0x08, "chassis-asset-tag", "Asset Tag"},
}};

inline constexpr char UuidKeyword[] = "system-uuid";
// Type 1 holds the UUID from this offset of its formatted area, 16 bytes.
inline constexpr std::size_t UuidFieldOffset = 8;
// The longest string a field takes, as SMBIOS recommends.
inline constexpr std::size_t MaxFieldLength = 64;

// How many rows a type has: 6, 5 and 4 for types 1, 2 and 3; 0 for others.
int rowCount(int type);
// The field of that type and row, or null.
const IdentityField* identityField(int type, int row);
// The field a keyword names, or null.
const IdentityField* fieldByKeyword(std::string_view keyword);
// "type 1 serial number (row 4)": how messages name a field.
std::string fieldLabel(const IdentityField& field);
std::string fieldLabel(int type, int row);

// The offsets in a structure's formatted area that hold string numbers: the
// identity fields and the other strings these types name (the base board's
// location in the chassis, the chassis' SKU number behind its contained
// elements). `formatted` includes the header.
std::vector<std::size_t> stringNumberOffsets(const std::vector<std::uint8_t>& formatted);
// Whether every byte of the formatted area is one whose meaning is known:
// only then can a string be taken out of the set and the numbers after it
// follow, with no unknown byte left naming a string that moved.
bool layoutKnown(const std::vector<std::uint8_t>& formatted);

}  // namespace quarnel::dmi
