#include "dmi/dmi_display.h"

#include "dmi/dmi_edit.h"
#include "dmi/uuid_text.h"

namespace quarnel::dmi {

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

RowsDisplay rowsDisplay(const DmiState& state, DisplayForm form) {
    RowsDisplay rows{displayTable(form), {}, {}, {}};
    const DmiFields& fields = fieldsOfType(state, rows.table.shownType);
    for (std::size_t row = 0; row < rows.texts.size() && row < fields.size(); ++row) {
        rows.texts[row] = fields[row].text;
        rows.lengths[row] = fieldCapacity(state, fields[row]);
    }
    if (rows.table.showUuid) rows.uuidText = uuidText(state.uuid);
    return rows;
}

}  // namespace quarnel::dmi
