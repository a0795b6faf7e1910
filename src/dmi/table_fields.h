// The identity fields and the UUID as the module's SMBIOS table holds them.
#pragma once

#include <cstdint>
#include <span>

#include "dmi/dmi_state.h"
#include "lzh/result.h"

namespace quarnel::dmi {

// Fills every field of types 1 to 3 through its string number, the UUID,
// and whether the table may change its length. BadData, saying why, when
// the table or a structure of one of the three types can't be found.
Result readTableFields(std::span<const std::uint8_t> module, DmiState& state);

}  // namespace quarnel::dmi
