// Checks an image as it lies in its file, without loading it: the chain, the
// checksum of every block (in its generation's form) and of the directory,
// and that every compressed module decodes.
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
    std::string directoryVersion;     // the four characters after the signature, when there is one
    DirectoryGeneration generation = DirectoryGeneration::V0800;
};

VerifyReport verifyImage(std::span<const std::uint8_t> bytes);

}  // namespace quarnel::image
