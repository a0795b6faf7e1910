// Everything the DMI workflows keep between Extract and Pack.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dmi/dmi_state.h"
#include "image/rom_image.h"

namespace quarnel::dmi {

inline constexpr std::uint8_t DmiModuleId = 6;

struct DmiSession {
    image::RomImage image;
    DmiWorkBuffer workBuffer;
    DmiState state;
    // What the last Extract found wrong with a module it could read: no
    // signature or a date before 10/25/2006, no type 2, no type 3. The
    // window shows each and then quits.
    std::vector<std::string> problems;
    // The last Extract read a module that can be written back: found the
    // signature with a supported date and the structures of types 2 and 3.
    bool packable = false;
    // Module 6 as the last Extract read it: Pack writes the held strings
    // only into an image that holds this very module.
    std::vector<std::uint8_t> extractedModule;
};

}  // namespace quarnel::dmi
