#include "dmi_module_builder.h"

namespace quarnel::dmi::testing {
namespace {

void header(std::vector<std::uint8_t>& bytes, std::uint8_t type, std::uint8_t length, std::uint16_t handle) {
    bytes.insert(bytes.end(), {type, length, static_cast<std::uint8_t>(handle), static_cast<std::uint8_t>(handle >> 8)});
}

void strings(std::vector<std::uint8_t>& bytes, const std::vector<std::string>& texts) {
    for (const std::string& text : texts) {
        bytes.insert(bytes.end(), text.begin(), text.end());
        bytes.push_back(0);
    }
    if (texts.empty()) bytes.push_back(0);
    bytes.push_back(0);
}

}  // namespace

std::uint32_t signatureOffsetOf(const ModuleSpec& spec) { return static_cast<std::uint32_t>(spec.prefix + 0x14); }

std::vector<std::uint8_t> buildModule(const ModuleSpec& spec) {
    std::vector<std::uint8_t> bytes(spec.prefix, 0x00);
    header(bytes, 0, 0x14, 0);
    bytes.insert(bytes.end(), {1, 2, 0x00, 0xF0, 3, 0x07, 0x80, 0x98, 0x8B, 0x3F, 0, 0, 0, 0, 0x33, 0x05});
    strings(bytes, {"American Megatrends", "0123456789AB", spec.date});

    header(bytes, 1, 0x19, 1);
    bytes.insert(bytes.end(), {1, 2, 3, 4});
    bytes.insert(bytes.end(), spec.uuid.begin(), spec.uuid.end());
    bytes.push_back(0x06);
    strings(bytes, spec.type1);

    header(bytes, 2, 0x08, 2);
    bytes.insert(bytes.end(), {1, 2, 3, 4});
    strings(bytes, spec.type2);

    header(bytes, 3, 0x0D, 3);
    bytes.insert(bytes.end(), {1, 0x03, 2, 3, 4, 0x03, 0x03, 0x03, 0x03});
    strings(bytes, spec.type3);

    header(bytes, 127, 4, 4);
    strings(bytes, {});
    bytes.resize(bytes.size() + spec.trailing, 0x00);
    return bytes;
}

}  // namespace quarnel::dmi::testing
