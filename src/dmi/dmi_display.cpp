#include "dmi/dmi_display.h"

#include "dmi/uuid_text.h"

namespace quarnel::dmi {
namespace {

void showTable(const DisplayTable& table, const DmiState& state, DmiView& view) {
    for (std::size_t row = 0; row < RowLabels.size(); ++row) view.setCaption(RowLabels[row], table.captions[row]);
    const DmiFields& fields = fieldsOfType(state, table.shownType);
    for (std::size_t row = 0; row < fields.size(); ++row) {
        std::string text = fields[row].text;  // the change event rewrites the field itself
        // The limit is lifted while the text changes, so the box never cuts
        // the new text, and set again once the box holds exactly the field.
        view.setMaxLength(ValueBoxes[row], NoMaxLength);
        view.setText(ValueBoxes[row], text);
        view.setMaxLength(ValueBoxes[row], fields[row].length);
    }
    // Edit7 has no limit: a UUID of the wrong length is refused whole at
    // Pack, never cut to one that looks right.
    view.setText(DmiEdit::Edit7, table.showUuid ? uuidText(state.uuid) : std::string());
    if (table.enabled)
        for (std::size_t row = 0; row < ValueBoxes.size(); ++row) view.setEnabled(ValueBoxes[row], (*table.enabled)[row]);
}

}  // namespace

DisplayTable displayTable(DisplayForm form) {
    switch (form) {
        case DisplayForm::AfterExtract:
            return {{"Manufacturer", "ProductName", "Version", "SerialNumber", "Unique UUID"}, 1, true, std::nullopt};
        case DisplayForm::Selector1:
            return {{"Manufacturer", "Product Name", "Version", "Serial Number", "Unique UUID"},
                    1, true, std::array<bool, 5>{true, true, true, true, true}};
        case DisplayForm::Selector2:
            return {{"Manufacturer", "Product Name", "Version", "Serial Number", "N/A"},
                    2, false, std::array<bool, 5>{false, false, false, false, false}};
        case DisplayForm::Selector3:
            break;
    }
    return {{"Manufacturer", "Version", "Serial Number", "AssetTag Number", "N/A"},
            3, false, std::array<bool, 5>{true, true, true, true, false}};
}

DisplayForm selectorForm(int position) {
    if (position == 2) return DisplayForm::Selector2;
    if (position == 3) return DisplayForm::Selector3;
    return DisplayForm::Selector1;
}

const DmiFields& fieldsOfType(const DmiState& state, int type) {
    if (type == 2) return state.type2Fields;
    if (type == 3) return state.type3Fields;
    return state.type1Fields;
}

void showExtractedType1(const DmiState& state, DmiView& view) {
    showTable(displayTable(DisplayForm::AfterExtract), state, view);
    view.setText(DmiEdit::Edit2, "1");
    view.enablePack();
}

void showSelectedType(const DmiState& state, DmiView& view) {
    int position = view.selectorPosition();
    view.setText(DmiEdit::Edit2, std::to_string(position));
    showTable(displayTable(selectorForm(position)), state, view);
}

}  // namespace quarnel::dmi
