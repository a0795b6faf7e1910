// Edits of the held DMI fields as data, and their write-back into the module
// copy at the places they were read from. The window's value boxes, the
// command line and the batch all edit through these calls.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dmi/dmi_state.h"
#include "image/rom_image.h"

namespace quarnel::dmi {

// Row 1 to 4 of type 1 (manufacturer, product name, version, serial number)
// or type 3 (manufacturer, version, serial number, asset tag). The text is
// UTF-8 that a person typed, or, `asStored`, the bytes of a string of an
// SMBIOS table, which are copied as they stand (an SMBIOS string may hold
// any byte but NUL, whatever its code page).
struct FieldEdit {
    int type = 1;
    int row = 1;
    std::string text;
    bool asStored = false;
};

struct DmiEdits {
    std::vector<FieldEdit> fields;  // applied in order: a later edit of a row wins
    std::optional<Uuid> uuid;
};

// Puts the text into the held field: as Latin-1, cut or padded with spaces
// to the field's length, so the field keeps exactly its length. A text
// with a character the ROM can't hold, or with a control character the
// field doesn't already hold at that place, is refused and the field kept.
// Type 2 is shown only: an edit of it changes nothing. When the text was
// cut, `note` (if given) says so, counting characters.
Result applyFieldEdit(DmiState& state, int type, int row, std::string_view text,
                      std::string* note = nullptr);

// Applies every edit in order, typed text through applyFieldEdit, stored
// bytes only cut or padded; the first refusal stops and names the type
// and row. Types other than 1 and 3, and rows outside 1 to 4, are refused.
// A cut text adds a note.
Result applyEdits(DmiState& state, const DmiEdits& edits, std::vector<std::string>& notes);

// Writes the UUID (the given one, which then becomes the held one, or else
// the held one) and the strings of types 1 and 3 into the buffer in place;
// nothing else of it changes. A state that was not read from a module of
// this buffer's length is refused.
Result writeBackDmi(DmiState& state, DmiWorkBuffer& buffer, const std::optional<Uuid>& uuid);

}  // namespace quarnel::dmi
