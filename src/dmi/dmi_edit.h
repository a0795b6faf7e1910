// Edits of the held DMI fields as data, and their write-back into the module
// copy. The window's value boxes, the command line and the batch all edit
// through these calls.
//
// A field takes its value exactly as given, 1 to 64 characters, or empty
// (its structure then names no string for it), when the module's table may
// change its length (dmi_module_table.h). Otherwise, or when the edits ask
// to keep lengths, every string keeps its length and its place.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dmi/dmi_state.h"
#include "image/rom_image.h"

namespace quarnel::dmi {

// A row of a type (identity_fields.h): type 1 rows 1 to 6, type 2 rows 1
// to 5, type 3 rows 1 to 4. The text is UTF-8 that a person typed, or,
// `asStored`, the bytes of a string of an SMBIOS table, which are copied as
// they stand (an SMBIOS string may hold any byte but NUL, whatever its code
// page).
struct FieldEdit {
    int type = 1;
    int row = 1;
    std::string text;
    bool asStored = false;
};

struct DmiEdits {
    std::vector<FieldEdit> fields;  // applied in order: a later edit of a row wins
    std::optional<Uuid> uuid;
    // Cut or pad every text to its field's old length, so no byte of the
    // table moves.
    bool keepLengths = false;
};

// A window's value box: row 1 to 4 of type 1 or 3. Type 2 is shown only: an
// edit of it changes nothing. The text goes in as Latin-1: as typed where
// the table may change its length, otherwise cut or padded with spaces to
// the field's length (`note`, if given, then says what was cut). A text
// with a character the ROM can't hold, with a control character the field
// doesn't already hold at that place, or longer than 64 characters, is
// refused and the field kept.
Result applyFieldEdit(DmiState& state, int type, int row, std::string_view text, std::string* note = nullptr);

// The most characters a window's box for the field takes: 64 where the
// table may change its length, the field's length otherwise.
std::size_t fieldCapacity(const DmiState& state, const DmiStringField& field);

// Applies every edit in order; the first refusal stops and names the field.
// Refused: a type or row that doesn't exist, a field its structure can't
// name, a text over 64 characters, and, where the table keeps its lengths
// and the edits don't ask to, a text of another length (the message says
// why and points to --keep-lengths). Notes: every cut, and every text with
// bytes outside printable ASCII, which most readers show as dots.
Result applyEdits(DmiState& state, const DmiEdits& edits, std::vector<std::string>& notes);

// An identity taken from elsewhere (a dump, another image) may give fields
// this module's structures can't name (a type 1 of SMBIOS 2.3 has no SKU
// number) or whose number points past their strings: those edits are left
// out, each with a note.
void dropUnsettable(const DmiState& state, DmiEdits& edits, std::vector<std::string>& notes);

// Writes the UUID (the given one, which then becomes the held one, or else
// the held one) and the fields into the buffer, which holds module 6 as it
// was read: the edited structures' strings are set again and the rest of
// the table moves with them (table_rewrite.h). A state that was not read
// from a module of this buffer's length is refused, and so is a table that
// no longer fits the module (nothing is written then).
Result writeBackDmi(DmiState& state, DmiWorkBuffer& buffer, const std::optional<Uuid>& uuid);

}  // namespace quarnel::dmi
