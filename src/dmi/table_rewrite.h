// Writes the held fields and the UUID into module 6's SMBIOS table.
//
// Only the structures whose fields changed are written anew; every other
// structure keeps its bytes and moves only as far as the edited ones before
// it grow or shrink. Within an edited structure:
// - a field whose string no other field names takes the new text in that
//   string's place;
// - a field that shares its string with another, or names none, gets a
//   string of its own at the end of the set, so the other keeps its text;
// - an empty field names no string (0); a string no field names any more
//   leaves the set and the numbers after it follow (only where every byte
//   of the structure is known, so no unknown byte is left naming a string
//   that moved).
// Where every string keeps its length (a module whose table can't change
// its length, or edits that asked for it), each edited string is written
// over the old one and nothing else moves.
#pragma once

#include <cstdint>
#include <vector>

#include "dmi/dmi_state.h"
#include "lzh/result.h"

namespace quarnel::dmi {

// `module` holds module 6 as it was read into `state`. When the new table
// ends past the module's size, or the edits can't be written as the rules
// above say, nothing is written and the message says why (for a table that
// outgrows the module: by how many bytes).
Result rewriteTable(const DmiState& state, std::vector<std::uint8_t>& module);

}  // namespace quarnel::dmi
