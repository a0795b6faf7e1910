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

// What a user may give for a UUID: the 32 digits byte 0 first, or the
// dashed form that operating systems and SMBIOS 2.6+ readers show
// (8-4-4-4-12 digits, the first three fields little-endian in the table),
// in either case.
std::optional<Uuid> parseUuidArgument(std::string_view text);

// A new random UUID of version 4 (RFC 4122), as the table holds it: a reader
// of SMBIOS 2.6+ shows it as xxxxxxxx-xxxx-4xxx-[89ab]xxx-xxxxxxxxxxxx.
Uuid randomUuid();

}  // namespace quarnel::dmi
