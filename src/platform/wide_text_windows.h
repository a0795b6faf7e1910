// Texts between UTF-8, which every library above takes, and the UTF-16 of
// the Windows API. Windows only.
#pragma once

#include <string>
#include <string_view>

namespace quarnel::platform {

std::string utf8FromWide(std::wstring_view wide);
// Bytes that are not UTF-8 become U+FFFD.
std::wstring wideFromUtf8(std::string_view utf8);

}  // namespace quarnel::platform
