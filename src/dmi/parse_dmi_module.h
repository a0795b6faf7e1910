// Reads module 6's contents into the session.
#pragma once

#include <cstdint>
#include <span>

#include "dmi/dmi_session.h"
#include "image/rom_image.h"

namespace quarnel::dmi {

// A module that would have to be read outside its bounds is refused
// (BadData; the message gives the problems met before the refusal, then the
// refusal, one a line) and the session stays as it was. Otherwise the
// contents become the work buffer, the state and the problems are replaced.
Result parseDmiModule(DmiSession& session, std::span<const std::uint8_t> contents);

}  // namespace quarnel::dmi
