// A machine's identity taken from its SMBIOS table: every identity field of
// types 1 to 3 (identity_fields.h) and the UUID, as edits of a ROM's held
// fields.
//
// The table comes as a file: a dump as `dmidecode --dump-bin` writes it (an
// entry point at offset 0, "_SM_", "_SM3_" or "_DMI_", that says where the
// table lies in the file) or the raw table the kernel exposes in
// /sys/firmware/dmi/tables/DMI. It is read by the SMBIOS rules: structures
// walked from the start, each string found through its string number, the
// UUID the 16 bytes of type 1 from offset 8, as they stand.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dmi/dmi_edit.h"
#include "dmi/smbios_structure.h"
#include "image/rom_image.h"

namespace quarnel::dmi {

// The edits the table gives (its strings' bytes as they stand), and a
// note for every value it can't give (no such structure, a structure too
// short for the field, a string number of 0 or past the strings): those
// rows stay as they are. BadData when the file is no SMBIOS table.
Result identityFromTable(std::span<const std::uint8_t> file, DmiEdits& edits,
                         std::vector<std::string>& notes);

// The same from structures already walked (another image's module 6).
void identityFromWalk(const SmbiosWalk& walk, DmiEdits& edits, std::vector<std::string>& notes);

}  // namespace quarnel::dmi
