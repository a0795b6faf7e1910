// A machine's identity taken from its SMBIOS table: the strings and the UUID
// the window shows for types 1 and 3, as edits of a ROM's held fields.
//
// The table comes as a file: a dump as `dmidecode --dump-bin` writes it (an
// entry point at offset 0, "_SM_", "_SM3_" or "_DMI_", that says where the
// table lies in the file) or the raw table the kernel exposes in
// /sys/firmware/dmi/tables/DMI. It is read by the SMBIOS rules: structures
// walked from the start, each string found through its string number.
//
//   ROM row        taken from
//   type 1 row 1   type 1 offset 4, Manufacturer
//   type 1 row 2   type 1 offset 5, Product Name
//   type 1 row 3   type 1 offset 6, Version
//   type 1 row 4   type 1 offset 7, Serial Number
//   type 3 row 1   type 3 offset 4, Manufacturer
//   type 3 row 2   type 3 offset 6, Version
//   type 3 row 3   type 3 offset 7, Serial Number
//   type 3 row 4   type 3 offset 8, Asset Tag
//   UUID           type 1 offsets 8 to 23, the 16 bytes as they stand
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dmi/dmi_edit.h"
#include "image/rom_image.h"

namespace quarnel::dmi {

// The edits the table gives (its strings' bytes as they stand), and a
// note for every value it can't give (no such structure, a structure too
// short for the field, a string number of 0 or past the strings): those
// rows stay as they are. BadData when the file is no SMBIOS table.
Result identityFromTable(std::span<const std::uint8_t> file, DmiEdits& edits,
                         std::vector<std::string>& notes);

}  // namespace quarnel::dmi
