// Checks an image as it lies in its file, without loading it: the chain, the
// checksum of every block (in its generation's form) and of the directory,
// and that every compressed module decodes.
//
// In a 0800 directory the directory checksum is no sign of damage: its
// builders cover a round region with it and leave it stale, while every
// block carries a checksum of its own. There a checksum that does not hold
// is a note; in 06xx and 0700 directories, where it is the only check of
// the whole chain, it is a fault.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "directory_generation.h"
#include "rom_image.h"

namespace quarnel::image {

struct VerifyReport {
    Result result;               // NoDirectory, or a chain too corrupt to follow
    std::vector<std::string> faults;  // one line each; empty when the image is sound
    std::vector<std::string> notes;   // what holds no sign of damage, one line each
    bool directoryChecksumHolds = false;
    std::string directoryVersion;     // the four characters after the signature, when there is one
    DirectoryGeneration generation = DirectoryGeneration::V0800;
};

// Without `decode`, the compressed modules are not decoded: a caller that
// loads the image next decodes them there, once.
VerifyReport verifyImage(std::span<const std::uint8_t> bytes, bool decode = true);

// The text of the directory checksum's state: "holds" or "does not hold".
const char* directoryChecksumState(bool holds);

}  // namespace quarnel::image
