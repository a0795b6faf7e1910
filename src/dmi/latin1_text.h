// The strings of the DMI module are single bytes, read as Latin-1: each
// character a user may type is one byte in the ROM. Texts come in as UTF-8
// (the command line's arguments, the window's boxes, a CSV file) and are
// turned into those bytes here, so every way in writes the same bytes.
#pragma once

#include <string>
#include <string_view>

#include "image/rom_image.h"

namespace quarnel::dmi {

// C0 controls, DEL and the C1 controls: nothing a BIOS string should hold.
bool isControlCharacter(unsigned char c);

// Each character of the UTF-8 text as one Latin-1 byte. A character beyond
// U+00FF, or bytes that are not UTF-8, are refused (BadData, the message
// names the character).
Result latin1FromUtf8(std::string_view utf8, std::string& latin1);

std::string utf8FromLatin1(std::string_view latin1);

}  // namespace quarnel::dmi
