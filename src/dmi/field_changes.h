// What differs between two readings of the identity fields: what a pack
// changed, or what two images hold differently.
#pragma once

#include <string>
#include <vector>

#include "dmi/dmi_state.h"

namespace quarnel::dmi {

struct FieldChange {
    int type = 0;
    int row = 0;
    std::string oldText, newText;  // Latin-1, as in the ROM
};

// The fields of types 1 to 3 whose texts differ, type by type, row by row.
std::vector<FieldChange> fieldChanges(const DmiState& a, const DmiState& b);

}  // namespace quarnel::dmi
