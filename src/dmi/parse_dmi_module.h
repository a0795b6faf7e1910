// Reads module 6's contents into the session and fills the window with
// type 1.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "dmi/dmi_session.h"
#include "dmi/dmi_view.h"

namespace quarnel::dmi {

// A module that would have to be read outside its bounds is refused: the
// problems met before and the refusal are shown, the session and the window
// stay as they were, and the refusal is returned (empty when the module was
// read).
// Otherwise the contents become the work buffer, the state is replaced, and
// each problem found is shown and ends the program once the handler returns.
std::string parseDmiModule(DmiSession& session, std::span<const std::uint8_t> contents, DmiView& view);

}  // namespace quarnel::dmi
