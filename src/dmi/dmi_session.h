// Everything the DMI workflows keep between Extract and Pack.
#pragma once

#include <cstdint>
#include <vector>

#include "dmi/dmi_state.h"
#include "image/rom_image.h"

namespace quarnel::dmi {

inline constexpr std::uint8_t DmiModuleId = 6;

struct DmiSession {
    image::RomImage image;
    DmiWorkBuffer workBuffer;
    DmiState state;
    // The last Extract read a module that can be written back: found the
    // signature with a supported date and the structures of types 2 and 3.
    bool packable = false;
    // Module 6 as the last Extract read it: Pack writes the held strings
    // only into an image that holds this very module.
    std::vector<std::uint8_t> extractedModule;
    // Threads that Pack's rebuild encodes the modules on (0: all).
    unsigned encodeThreads = 0;
};

}  // namespace quarnel::dmi
