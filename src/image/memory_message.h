// How a failed allocation is told: what the memory was for and how much was
// asked, as in "not enough memory for the contents of module 3 (ID 11),
// 812 KiB".
#pragma once

#include <cstddef>
#include <string>

#include "rom_image.h"

namespace quarnel::image {

inline Result notEnoughMemory(const std::string& what, std::size_t bytes) {
    return {Outcome::NoMemory,
            "not enough memory for " + what + ", " + std::to_string((bytes + 1023) / 1024) + " KiB"};
}

}  // namespace quarnel::image
