// What the five rows of the window show: after Extract, and for each
// position of the type selector. Rows 1 to 4 hold strings 1 to 4 of one
// type; the fifth row holds the UUID for type 1 and nothing for the others.
//
// A window that raises a change event whenever a row's text is set (and
// copies the row into the field of the type it shows) must fill rows 1 to 4
// before the fifth and only once the selector shows the new type: then each
// such copy writes a field's own text back.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>

#include "dmi/dmi_state.h"

namespace quarnel::dmi {

enum class DisplayForm { AfterExtract, Selector1, Selector2, Selector3 };

struct DisplayTable {
    std::array<const char*, 5> captions;  // rows 1 to 4, then the UUID row
    int shownType = 1;                    // whose strings fill rows 1 to 4
    bool showUuid = false;                // the fifth row holds the UUID text, else it is empty
    // Whether each row can be edited; nothing: left as it is.
    std::optional<std::array<bool, 5>> enabled;
};

DisplayTable displayTable(DisplayForm form);
DisplayForm selectorForm(int position);

// The rows filled in: the table with the held texts (Latin-1, as in the
// ROM), the UUID text and the most characters each row's field takes (a box
// may be limited to it): 64 where the module's table may change its length,
// the field's length where every string keeps its length.
struct RowsDisplay {
    DisplayTable table;
    std::array<std::string, 4> texts;
    std::array<std::size_t, 4> lengths{};
    std::string uuidText;  // empty unless table.showUuid
};

RowsDisplay rowsDisplay(const DmiState& state, DisplayForm form);

}  // namespace quarnel::dmi
