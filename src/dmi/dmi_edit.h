// Copying the value boxes into the held fields, and writing the fields and
// the UUID back into the module copy at the places they were read from.
#pragma once

#include <string>

#include "dmi/dmi_state.h"
#include "dmi/dmi_view.h"

namespace quarnel::dmi {

// Row 1 to 4 (Edit3 to Edit6) of the type the selector shows: the text is
// cut or padded with spaces to the field's length. Type 2 is never changed.
void applyFieldEdit(DmiState& state, const DmiView& view, int row, const std::string& text);

// The change events of the value boxes: Edit3Change to Edit6Change. Edit7's
// change event is Edit6Change, so it copies Edit6, not itself.
void Edit3Change(DmiState& state, const DmiView& view);
void Edit4Change(DmiState& state, const DmiView& view);
void Edit5Change(DmiState& state, const DmiView& view);
void Edit6Change(DmiState& state, const DmiView& view);
// The change event wired to a value box (Edit3 to Edit7); other boxes have none.
void valueBoxChanged(DmiState& state, const DmiView& view, DmiEdit edit);

// Upper-cases Edit7 and, with the selector at 1, takes the UUID from it (it
// must be 32 hexadecimal digits, else nothing is written and the message is
// returned); at 2 or 3 Edit7 is empty and the UUID read at Extract stays.
// Then writes the UUID and the strings of types 1 and 3 into the buffer in
// place. Returns the message of a refusal, empty when written.
std::string writeBackDmi(DmiState& state, DmiWorkBuffer& buffer, DmiView& view);

}  // namespace quarnel::dmi
