#include "dmi/latin1_text.h"

#include <optional>

#include "image/hex_text.h"

namespace quarnel::dmi {
namespace {

// The code point starting at `i`, or nothing when the bytes there are not
// a well-formed UTF-8 sequence; `i` moves past it.
std::optional<char32_t> nextCodePoint(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80) return lead;
    int extra = lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 && lead < 0xE0 ? 1 : -1;
    if (extra < 0 || lead >= 0xF5) return std::nullopt;
    char32_t code = lead & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return std::nullopt;
        code = code << 6 | (static_cast<unsigned char>(text[i++]) & 0x3F);
    }
    constexpr char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
    if (code < smallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
    return code;
}

}  // namespace

bool isControlCharacter(unsigned char c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }

Result latin1FromUtf8(std::string_view utf8, std::string& latin1) {
    latin1.clear();
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t start = i;
        const std::optional<char32_t> code = nextCodePoint(utf8, i);
        if (!code)
            return {Outcome::BadData, "the text is not UTF-8 (byte " + std::to_string(start + 1) + ")"};
        if (*code > 0xFF) {
            std::string message(1, '"');
            message.append(utf8.substr(start, i - start));
            message.append("\" (U+").append(image::hexText(static_cast<std::uint32_t>(*code), 4));
            message.append(") can't be written: the ROM holds one Latin-1 byte per character");
            return {Outcome::BadData, message};
        }
        latin1 += static_cast<char>(*code);
    }
    return {};
}

std::string utf8FromLatin1(std::string_view latin1) {
    std::string utf8;
    for (const char ch : latin1) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            utf8 += ch;
        } else {
            utf8 += static_cast<char>(0xC0 | c >> 6);
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

}  // namespace quarnel::dmi
