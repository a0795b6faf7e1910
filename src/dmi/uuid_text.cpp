#include "dmi/uuid_text.h"

#include <random>

namespace quarnel::dmi {
namespace {

constexpr char UpperDigits[] = "0123456789ABCDEF";
// The table's byte for each byte of the RFC 4122 form: its first three
// fields are stored little-endian. The order is its own inverse.
constexpr int Rfc4122Order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
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
    std::string text;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        appendByte(text, uuid[Rfc4122Order[i]], LowerDigits);
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

std::optional<Uuid> parseUuidArgument(std::string_view text) {
    if (text.size() != 36) return parseUuidText(text);
    std::string digits;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if ((text[i] == '-') != dash) return std::nullopt;
        if (!dash) digits += text[i];
    }
    const std::optional<Uuid> rfc = parseUuidText(digits);
    if (!rfc) return std::nullopt;
    Uuid uuid{};
    for (int i = 0; i < 16; ++i) uuid[static_cast<std::size_t>(Rfc4122Order[i])] = (*rfc)[static_cast<std::size_t>(i)];
    return uuid;
}

Uuid randomUuid() {
    std::random_device source;
    Uuid rfc{};
    for (std::size_t i = 0; i < rfc.size(); i += 4) {
        const unsigned word = source();
        for (std::size_t k = 0; k < 4; ++k) rfc[i + k] = static_cast<std::uint8_t>(word >> (8 * k));
    }
    rfc[6] = static_cast<std::uint8_t>((rfc[6] & 0x0F) | 0x40);  // version 4
    rfc[8] = static_cast<std::uint8_t>((rfc[8] & 0x3F) | 0x80);  // the RFC 4122 variant
    Uuid uuid{};
    for (int i = 0; i < 16; ++i) uuid[static_cast<std::size_t>(Rfc4122Order[i])] = rfc[static_cast<std::size_t>(i)];
    return uuid;
}

}  // namespace quarnel::dmi
