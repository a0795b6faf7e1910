// The system UUID as text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "dmi/dmi_state.h"

namespace quarnel::dmi {

// 32 uppercase hexadecimal digits, byte 0 first, no separators: the form
// the window shows and edits.
std::string uuidText(const Uuid& uuid);

// The RFC 4122 form that SMBIOS 2.6 and later readers print: the first three
// fields little-endian (bytes 3 2 1 0 - 5 4 - 7 6 - 8 9 - 10..15), in
// lower case as dmidecode prints it.
std::string uuidRfc4122Text(const Uuid& uuid);

// Exactly 32 hexadecimal digits of either case, byte 0 first; nothing for
// any other text.
std::optional<Uuid> parseUuidText(std::string_view text);

}  // namespace quarnel::dmi
