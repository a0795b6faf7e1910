// One module read by itself from an image's bytes, for a reader that needs
// only that module: a chip read with other blocks damaged still gives up a
// sound module. Nothing is ever written from what this reads.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "rom_image.h"

namespace quarnel::image {

struct LoneModule {
    ModuleEntry entry;                         // the header's fields and the plain contents
    std::string directoryVersion;
    std::vector<std::string> damageElsewhere;  // what is wrong with the rest of the image, one line each
};

// The chain must be walkable, the module found, its block checksum must
// hold and, compressed, it must decode; each of these is refused in its own
// words (BadData; NoDirectory for a file without a directory). The contents
// are those the whole image's load gives, or, when something else keeps it
// from loading, the module's own decoded alone. Every other block and the
// directory checksum are checked as verify checks them, and what is wrong
// with them comes back in damageElsewhere.
Result readLoneModule(std::span<const std::uint8_t> bytes, std::uint8_t moduleId, std::uint16_t subId2,
                      std::uint16_t subId1, LoneModule& module);

// The note for damage elsewhere: each fault, then what it suggests.
std::string damageElsewhereNote(const std::string& fileName, const std::string& moduleLabel,
                                const std::vector<std::string>& damage);

}  // namespace quarnel::image
