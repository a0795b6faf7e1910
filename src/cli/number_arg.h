// Numbers on the command line: decimal ("6") or hexadecimal with 0x ("0x06").
// Header-only, as the CLI's build takes only its command files.
#pragma once

#include <CLI/CLI.hpp>

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>

namespace quarnel::cli {

// Nothing when `text` is not such a number or exceeds `max`.
inline std::optional<std::uint32_t> parseNumberArg(const std::string& text, std::uint32_t max) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* first = text.data() + (hex ? 2 : 0);
    const char* last = text.data() + text.size();
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(first, last, value, hex ? 16 : 10);
    if (first == last || error != std::errc() || end != last || value > max) return std::nullopt;
    return value;
}

// Rejects, as a usage error, any argument that parseNumberArg refuses.
inline CLI::Validator NumberArg(std::uint32_t max) {
    return CLI::Validator(
        [max](std::string& text) -> std::string {
            if (parseNumberArg(text, max)) return {};
            return "\"" + text + "\" is not a number from 0 to " + std::to_string(max) +
                   " (decimal, or hexadecimal with 0x)";
        },
        "NUMBER");
}

}  // namespace quarnel::cli
