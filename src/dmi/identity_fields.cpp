#include "dmi/identity_fields.h"

namespace quarnel::dmi {
namespace {

constexpr std::size_t BoardLocationOffset = 0x0A;
constexpr std::size_t BoardHandleCountOffset = 0x0E;
constexpr std::size_t ChassisElementCountOffset = 0x13;
constexpr std::size_t ChassisElementLengthOffset = 0x14;
constexpr std::size_t ChassisElementsOffset = 0x15;
constexpr std::size_t SystemLength = 0x1B;

// Where the chassis' contained elements end: its SKU number's offset.
std::size_t chassisSkuOffset(const std::vector<std::uint8_t>& f) {
    if (f.size() <= ChassisElementLengthOffset) return f.size();
    return ChassisElementsOffset + std::size_t{f[ChassisElementCountOffset]} * f[ChassisElementLengthOffset];
}

// The length of the formatted area up to its last byte whose meaning is known.
std::size_t knownLength(const std::vector<std::uint8_t>& f) {
    switch (f[0]) {
        case 1:
            return SystemLength;
        case 2:
            return f.size() > BoardHandleCountOffset ? BoardHandleCountOffset + 1 + 2 * std::size_t{f[BoardHandleCountOffset]}
                                                     : f.size();
        case 3:
            return chassisSkuOffset(f) + 1;
        default:
            return 0;
    }
}

}  // namespace

int rowCount(int type) { return type == 1 ? 6 : type == 2 ? 5 : type == 3 ? 4 : 0; }

const IdentityField* identityField(int type, int row) {
    for (const IdentityField& field : IdentityFields)
        if (field.type == type && field.row == row) return &field;
    return nullptr;
}

const IdentityField* fieldByKeyword(std::string_view keyword) {
    for (const IdentityField& field : IdentityFields)
        if (keyword == field.keyword) return &field;
    return nullptr;
}

std::string fieldLabel(const IdentityField& field) {
    std::string name = field.name;
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return "type " + std::to_string(field.type) + " " + name + " (row " + std::to_string(field.row) + ")";
}

std::string fieldLabel(int type, int row) {
    if (const IdentityField* field = identityField(type, row)) return fieldLabel(*field);
    return "type " + std::to_string(type) + " row " + std::to_string(row);
}

std::vector<std::size_t> stringNumberOffsets(const std::vector<std::uint8_t>& formatted) {
    std::vector<std::size_t> offsets;
    const int type = formatted.empty() ? 0 : formatted[0];
    for (const IdentityField& field : IdentityFields)
        if (field.type == type && field.offset < formatted.size()) offsets.push_back(field.offset);
    if (type == 2 && BoardLocationOffset < formatted.size()) offsets.push_back(BoardLocationOffset);
    if (type == 3 && chassisSkuOffset(formatted) < formatted.size()) offsets.push_back(chassisSkuOffset(formatted));
    return offsets;
}

bool layoutKnown(const std::vector<std::uint8_t>& formatted) {
    return !formatted.empty() && formatted.size() <= knownLength(formatted);
}

}  // namespace quarnel::dmi
