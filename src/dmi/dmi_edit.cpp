#include "dmi/dmi_edit.h"

#include <algorithm>
#include <cctype>

#include "dmi/dmi_messages.h"
#include "dmi/dmi_reader.h"
#include "dmi/uuid_text.h"

namespace quarnel::dmi {
namespace {

DmiFields* editableFields(DmiState& state, int position) {
    if (position == 1) return &state.type1Fields;
    if (position == 3) return &state.type3Fields;
    return nullptr;
}

std::string upperCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
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

void applyFieldEdit(DmiState& state, const DmiView& view, int row, const std::string& text) {
    DmiFields* fields = editableFields(state, view.selectorPosition());
    if (!fields || row < 1 || row > 4) return;
    DmiStringField& field = (*fields)[row - 1];
    std::string held = text.substr(0, static_cast<std::size_t>(field.length));
    held.resize(static_cast<std::size_t>(field.length), ' ');
    field.text = std::move(held);
}

void Edit3Change(DmiState& state, const DmiView& view) { applyFieldEdit(state, view, 1, view.text(DmiEdit::Edit3)); }
void Edit4Change(DmiState& state, const DmiView& view) { applyFieldEdit(state, view, 2, view.text(DmiEdit::Edit4)); }
void Edit5Change(DmiState& state, const DmiView& view) { applyFieldEdit(state, view, 3, view.text(DmiEdit::Edit5)); }
void Edit6Change(DmiState& state, const DmiView& view) { applyFieldEdit(state, view, 4, view.text(DmiEdit::Edit6)); }

void valueBoxChanged(DmiState& state, const DmiView& view, DmiEdit edit) {
    switch (edit) {
        case DmiEdit::Edit3: return Edit3Change(state, view);
        case DmiEdit::Edit4: return Edit4Change(state, view);
        case DmiEdit::Edit5: return Edit5Change(state, view);
        case DmiEdit::Edit6:
        case DmiEdit::Edit7: return Edit6Change(state, view);
        default: return;
    }
}

std::string writeBackDmi(DmiState& state, DmiWorkBuffer& buffer, DmiView& view) {
    std::string uuidBox = upperCase(view.text(DmiEdit::Edit7));
    view.setText(DmiEdit::Edit7, uuidBox);
    if (!fitsBuffer(state, buffer)) return messages::NotExtracted;
    if (view.selectorPosition() == 1) {
        auto uuid = parseUuidText(uuidBox);
        if (!uuid) return messages::BadUuid;
        state.uuid = *uuid;
    }
    std::copy(state.uuid.begin(), state.uuid.end(), buffer.bytes.begin() + state.signatureOffset + UuidDistance);
    writeStrings(state.type1Fields, state.type1StringsOffset, buffer);
    writeStrings(state.type3Fields, state.type3StringsOffset, buffer);
    return {};
}

}  // namespace quarnel::dmi
