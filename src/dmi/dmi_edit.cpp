#include "dmi/dmi_edit.h"

#include <algorithm>

#include "dmi/dmi_messages.h"
#include "dmi/dmi_reader.h"
#include "dmi/latin1_text.h"

namespace quarnel::dmi {
namespace {

DmiFields* editableFields(DmiState& state, int type) {
    if (type == 1) return &state.type1Fields;
    if (type == 3) return &state.type3Fields;
    return nullptr;
}

std::string fieldName(int type, int row) { return "type " + std::to_string(type) + " row " + std::to_string(row); }

// A control character is refused unless the field already holds it there,
// so that showing a field with one and copying it back changes nothing.
std::optional<std::size_t> newControlCharacter(const std::string& text, const std::string& held) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (isControlCharacter(static_cast<unsigned char>(text[i])) && (i >= held.size() || held[i] != text[i]))
            return i;
    return std::nullopt;
}

std::string cutNote(int type, int row, const std::string& typed, const DmiStringField& field) {
    return fieldName(type, row) + " holds " + std::to_string(field.length) + " characters: \"" +
           utf8FromLatin1(typed) + "\" (" + std::to_string(typed.size()) + " characters) was cut to \"" +
           utf8FromLatin1(field.text) + "\"";
}

// The bytes cut or padded with spaces to the field's length.
std::string fitted(const std::string& bytes, const DmiStringField& field) {
    const auto length = static_cast<std::size_t>(field.length);
    std::string held = bytes.substr(0, length);
    held.resize(length, ' ');
    return held;
}

void putStoredBytes(DmiStringField& field, const FieldEdit& edit, std::vector<std::string>& notes) {
    field.text = fitted(edit.text, field);
    if (edit.text.size() > field.text.size()) notes.push_back(cutNote(edit.type, edit.row, edit.text, field));
}

// Each string goes back over its old characters; the NUL behind it stays.
void writeStrings(const DmiFields& fields, std::uint32_t offset, DmiWorkBuffer& buffer) {
    for (const DmiStringField& field : fields) {
        std::copy(field.text.begin(), field.text.end(), buffer.bytes.begin() + offset);
        offset += static_cast<std::uint32_t>(field.length) + 1;
    }
}

std::uint64_t stringsEnd(const DmiFields& fields, std::uint64_t offset) {
    for (const DmiStringField& field : fields) offset += static_cast<std::uint64_t>(field.length) + 1;
    return offset;
}

// The state was read from a module of this length; a state that doesn't
// fit (another module, or none read) is never written.
bool fitsBuffer(const DmiState& state, const DmiWorkBuffer& buffer) {
    std::uint64_t size = buffer.bytes.size();
    return std::uint64_t{state.signatureOffset} + SignatureReach <= size &&
           stringsEnd(state.type1Fields, state.type1StringsOffset) <= size &&
           stringsEnd(state.type3Fields, state.type3StringsOffset) <= size;
}

}  // namespace

Result applyFieldEdit(DmiState& state, int type, int row, std::string_view text, std::string* note) {
    DmiFields* fields = editableFields(state, type);
    if (!fields || row < 1 || row > 4) return {};
    DmiStringField& field = (*fields)[static_cast<std::size_t>(row - 1)];
    std::string typed;
    if (Result r = latin1FromUtf8(text, typed); !r.ok())
        return {r.outcome, fieldName(type, row) + ": " + r.message};
    std::string held = fitted(typed, field);
    if (auto at = newControlCharacter(held, field.text))
        return {Outcome::BadData, fieldName(type, row) + ": character " + std::to_string(*at + 1) +
                                             " is a control character (code " +
                                             std::to_string(static_cast<unsigned char>(held[*at])) +
                                             "), which a DMI string can't hold"};
    field.text = std::move(held);
    if (note && typed.size() > field.text.size()) *note = cutNote(type, row, typed, field);
    return {};
}

Result applyEdits(DmiState& state, const DmiEdits& edits, std::vector<std::string>& notes) {
    for (const FieldEdit& edit : edits.fields) {
        if ((edit.type != 1 && edit.type != 3) || edit.row < 1 || edit.row > 4)
            return {Outcome::BadData, fieldName(edit.type, edit.row) + " can't be edited: only rows 1 to 4 "
                                                                               "of types 1 and 3 can"};
        if (edit.asStored) {
            putStoredBytes((*editableFields(state, edit.type))[static_cast<std::size_t>(edit.row - 1)], edit, notes);
            continue;
        }
        std::string note;
        if (Result r = applyFieldEdit(state, edit.type, edit.row, edit.text, &note); !r.ok()) return r;
        if (!note.empty()) notes.push_back(std::move(note));
    }
    if (edits.uuid) state.uuid = *edits.uuid;
    return {};
}

Result writeBackDmi(DmiState& state, DmiWorkBuffer& buffer, const std::optional<Uuid>& uuid) {
    if (!fitsBuffer(state, buffer)) return {Outcome::NotLoaded, messages::NotExtracted};
    if (uuid) state.uuid = *uuid;
    std::copy(state.uuid.begin(), state.uuid.end(), buffer.bytes.begin() + state.signatureOffset + UuidDistance);
    writeStrings(state.type1Fields, state.type1StringsOffset, buffer);
    writeStrings(state.type3Fields, state.type3StringsOffset, buffer);
    return {};
}

}  // namespace quarnel::dmi
