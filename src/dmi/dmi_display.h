// What the value rows show: after Extract, and for each position of the
// type selector.
//
// Setting a value box's text raises its change event, which copies the box
// into the field of the type the selector shows. The order below makes each
// such copy write a field's own text back: Edit3 to Edit6 are filled before
// Edit7 (whose change event copies Edit6), and only with the strings of the
// type the selector already shows.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "dmi/dmi_state.h"
#include "dmi/dmi_view.h"

namespace quarnel::dmi {

enum class DisplayForm { AfterExtract, Selector1, Selector2, Selector3 };

struct DisplayTable {
    std::array<const char*, 5> captions;  // Label3 to Label7
    int shownType = 1;                    // whose strings fill Edit3 to Edit6
    bool showUuid = false;                // Edit7 holds the UUID text, else it is empty
    // Edit3 to Edit7; nothing: their enabled states are left as they are.
    std::optional<std::array<bool, 5>> enabled;
};

DisplayTable displayTable(DisplayForm form);
DisplayForm selectorForm(int position);

// Label3 to Label7 and Edit3 to Edit7, the rows in order.
inline constexpr std::array<DmiLabel, 5> RowLabels = {DmiLabel::Label3, DmiLabel::Label4, DmiLabel::Label5,
                                                     DmiLabel::Label6, DmiLabel::Label7};
inline constexpr std::array<DmiEdit, 5> ValueBoxes = {DmiEdit::Edit3, DmiEdit::Edit4, DmiEdit::Edit5, DmiEdit::Edit6,
                                                     DmiEdit::Edit7};

const DmiFields& fieldsOfType(const DmiState& state, int type);

// The display that ends a successful read of the module: type 1, Edit2 "1",
// Pack enabled.
void showExtractedType1(const DmiState& state, DmiView& view);

// The selector's click event (UpDown1Click).
void showSelectedType(const DmiState& state, DmiView& view);

}  // namespace quarnel::dmi
