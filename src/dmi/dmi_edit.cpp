#include "dmi/dmi_edit.h"

#include <algorithm>

#include "dmi/dmi_messages.h"
#include "dmi/identity_fields.h"
#include "dmi/latin1_text.h"
#include "dmi/table_rewrite.h"

namespace quarnel::dmi {
namespace {

// A control character is refused unless the field already holds it there,
// so that showing a field with one and copying it back changes nothing.
std::optional<std::size_t> newControlCharacter(const std::string& text, const std::string& held) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (isControlCharacter(static_cast<unsigned char>(text[i])) && (i >= held.size() || held[i] != text[i]))
            return i;
    return std::nullopt;
}

std::string cutNote(const std::string& label, const std::string& typed, const DmiStringField& field) {
    return label + " holds " + std::to_string(field.length) + " characters: \"" + utf8FromLatin1(typed) + "\" (" +
           std::to_string(typed.size()) + " characters) was cut to \"" + utf8FromLatin1(field.text) + "\"";
}

// The bytes cut or padded with spaces to the field's length.
std::string fitted(const std::string& bytes, const DmiStringField& field) {
    const auto length = static_cast<std::size_t>(field.length);
    std::string held = bytes.substr(0, length);
    held.resize(length, ' ');
    return held;
}

bool printableAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

// Whether a field can take a value at all.
Result checkSettable(const std::string& label, const DmiStringField& field) {
    if (!field.present)
        return {Outcome::BadData, label + ": its structure is too short to name a string for it"};
    if (!field.fault.empty()) return {Outcome::BadData, field.fault + "; it can't be set"};
    return {};
}

Result checkLength(const std::string& label, const std::string& text) {
    if (text.size() <= MaxFieldLength) return {};
    return {Outcome::BadData, label + ": \"" + utf8FromLatin1(text) + "\" has " + std::to_string(text.size()) +
                                  " characters; a DMI string takes at most " + std::to_string(MaxFieldLength)};
}

// Where every string keeps its length, only a text of that length fits.
Result checkSameLength(const std::string& label, const std::string& text, const DmiStringField& field,
                       const DmiState& state) {
    if (text.size() == static_cast<std::size_t>(field.length) && (field.number != 0 || text.empty())) return {};
    return {Outcome::BadData, label + ": \"" + utf8FromLatin1(text) + "\" has " + std::to_string(text.size()) +
                                  " characters where the field holds " + std::to_string(field.length) + ", and " +
                                  state.fixedReason + "; --keep-lengths cuts or pads values to the old length"};
}

Result checkControlCharacters(const std::string& label, const std::string& text, const DmiStringField& field) {
    const auto at = newControlCharacter(text, field.text);
    if (!at) return {};
    return {Outcome::BadData, label + ": character " + std::to_string(*at + 1) + " is a control character (code " +
                                  std::to_string(static_cast<unsigned char>(text[*at])) +
                                  "), which a DMI string can't hold"};
}

// Puts the bytes into the field by the length rule in force.
Result putText(DmiState& state, DmiStringField& field, const std::string& label, std::string bytes, bool fit,
               std::vector<std::string>& notes) {
    if (Result r = checkSettable(label, field); !r.ok()) return r;
    if (fit) {
        const std::string held = fitted(bytes, field);
        const bool cut = bytes.size() > held.size();
        field.text = held;
        if (cut) notes.push_back(cutNote(label, bytes, field));
        return {};
    }
    if (Result r = checkLength(label, bytes); !r.ok()) return r;
    if (!state.resizable)
        if (Result r = checkSameLength(label, bytes, field, state); !r.ok()) return r;
    field.text = std::move(bytes);
    return {};
}

}  // namespace

std::size_t fieldCapacity(const DmiState& state, const DmiStringField& field) {
    return state.resizable ? MaxFieldLength : static_cast<std::size_t>(field.length);
}

Result applyFieldEdit(DmiState& state, int type, int row, std::string_view text, std::string* note) {
    if (type == 2 || row > 4) return {};
    DmiStringField* field = heldField(state, type, row);
    if (!field) return {};
    const std::string label = fieldLabel(type, row);
    std::string typed;
    if (Result r = latin1FromUtf8(text, typed); !r.ok()) return {r.outcome, label + ": " + r.message};
    const std::string held = state.resizable ? typed : fitted(typed, *field);
    if (Result r = checkControlCharacters(label, held, *field); !r.ok()) return r;
    std::vector<std::string> notes;
    if (Result r = putText(state, *field, label, typed, !state.resizable, notes); !r.ok()) return r;
    if (note && !notes.empty()) *note = notes.front();
    return {};
}

Result applyEdits(DmiState& state, const DmiEdits& edits, std::vector<std::string>& notes) {
    state.keepLengths = state.keepLengths || edits.keepLengths;
    for (const FieldEdit& edit : edits.fields) {
        DmiStringField* field = heldField(state, edit.type, edit.row);
        if (!field)
            return {Outcome::BadData, fieldLabel(edit.type, edit.row) +
                                          " can't be edited: type 1 has rows 1 to 6, type 2 rows 1 to 5 and type 3 "
                                          "rows 1 to 4"};
        const std::string label = fieldLabel(edit.type, edit.row);
        std::string bytes = edit.text;
        if (!edit.asStored) {
            if (Result r = latin1FromUtf8(edit.text, bytes); !r.ok()) return {r.outcome, label + ": " + r.message};
            if (Result r = checkControlCharacters(label, state.keepLengths ? fitted(bytes, *field) : bytes, *field);
                !r.ok())
                return r;
        }
        if (Result r = putText(state, *field, label, bytes, state.keepLengths, notes); !r.ok()) return r;
        if (!printableAscii(field->text))
            notes.push_back(label + ": \"" + utf8FromLatin1(field->text) +
                            "\" holds bytes outside printable ASCII, which dmidecode and most readers show as dots");
    }
    if (edits.uuid) state.uuid = *edits.uuid;
    return {};
}

void dropUnsettable(const DmiState& state, DmiEdits& edits, std::vector<std::string>& notes) {
    std::erase_if(edits.fields, [&](const FieldEdit& edit) {
        const DmiStringField* field = heldField(state, edit.type, edit.row);
        if (!field) return false;  // applyEdits refuses it, naming it
        const Result settable = checkSettable(fieldLabel(edit.type, edit.row), *field);
        if (!settable.ok()) notes.push_back(settable.message + "; this image's field is left as it is");
        return !settable.ok();
    });
}

Result writeBackDmi(DmiState& state, DmiWorkBuffer& buffer, const std::optional<Uuid>& uuid) {
    if (state.moduleSize != buffer.bytes.size() || buffer.bytes.empty())
        return {Outcome::NotLoaded, messages::NotExtracted};
    const Uuid held = state.uuid;
    if (uuid) state.uuid = *uuid;
    if (Result r = rewriteTable(state, buffer.bytes); !r.ok()) {
        state.uuid = held;
        return r;
    }
    return {};
}

}  // namespace quarnel::dmi
