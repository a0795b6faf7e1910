// Uppercase hexadecimal text for messages: hexText(0x6, 2) is "06".
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace quarnel::image {

inline std::string hexText(std::uint64_t value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

}  // namespace quarnel::image
