#include "dmi/uuid_text.h"

namespace quarnel::dmi {
namespace {

constexpr char UpperDigits[] = "0123456789ABCDEF";
constexpr char LowerDigits[] = "0123456789abcdef";

void appendByte(std::string& text, std::uint8_t byte, const char* digits = UpperDigits) {
    text += digits[byte >> 4];
    text += digits[byte & 0xF];
}

int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string uuidText(const Uuid& uuid) {
    std::string text;
    for (std::uint8_t byte : uuid) appendByte(text, byte);
    return text;
}

std::string uuidRfc4122Text(const Uuid& uuid) {
    static constexpr int Order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    std::string text;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        appendByte(text, uuid[Order[i]], LowerDigits);
    }
    return text;
}

std::optional<Uuid> parseUuidText(std::string_view text) {
    if (text.size() != 32) return std::nullopt;
    Uuid uuid{};
    for (std::size_t k = 0; k < 16; ++k) {
        int high = digitValue(text[2 * k]);
        int low = digitValue(text[2 * k + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        uuid[k] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return uuid;
}

}  // namespace quarnel::dmi
