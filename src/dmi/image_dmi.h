// Module 6 of an image file read by itself: what `dmi` shows and what
// `pack --from-image` takes. Only module 6 must be sound (its block
// checksum holds and it decodes); damage elsewhere is told, not refused.
#pragma once

#include <string>
#include <vector>

#include "dmi/dmi_edit.h"
#include "dmi/dmi_reader.h"
#include "image/lone_module.h"

namespace quarnel::dmi {

struct ImageDmi {
    image::LoneModule module;
    DmiReadResult read;
    std::string damageNote;  // empty when the rest of the image is sound
};

// Fails as Extract does on a file it can't read or that holds no directory
// or module 6, and on a module 6 that is not sound or can't be read.
Result readImageDmi(const std::string& fileName, ImageDmi& dmi);

// Every identity field and the UUID of the image's table, as edits of
// another ROM's fields (as smbios_identity.h takes them from a dump).
Result identityFromImage(const ImageDmi& dmi, DmiEdits& edits, std::vector<std::string>& notes);

}  // namespace quarnel::dmi
