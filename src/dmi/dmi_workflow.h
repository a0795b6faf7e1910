// The Extract and Pack workflows, shared by the window and the command line.
#pragma once

#include <string>

#include "dmi/dmi_session.h"
#include "dmi/dmi_view.h"
#include "image/rom_image.h"

namespace quarnel::dmi {

// Extract (Button1Click): the selector back to 1; a missing file does
// nothing more (CantOpen, nothing shown); otherwise the image is loaded,
// module 6 found and read. Done when the module was read (its problems, if
// any, have been shown); else the failure that was shown.
image::ImageResult extractDmi(DmiSession& session, DmiView& view, const std::string& fileName);

// Pack (Button2Click): reloads `inputName`, writes the held strings and the
// UUID back into the work buffer, puts it in as module 6 and writes the
// rebuilt image to `outputName`. Every step's message is shown; the result
// carries the failure (its message the detailed cause) or Done.
image::ImageResult packDmi(DmiSession& session, DmiView& view, const std::string& inputName,
                           const std::string& outputName);

std::string packedMessage(const std::string& outputName);
std::string packFailedMessage(const std::string& outputName);

}  // namespace quarnel::dmi
