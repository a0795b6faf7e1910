// Whole-file reading and atomic writing, shared by the container and the CLI.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "rom_image.h"

namespace quarnel::image {

// Reads the file whole. CantOpen when it can't be opened or read.
ImageResult readWholeFile(const std::string& fileName, std::vector<std::uint8_t>& bytes);

// Writes into a temporary file beside the target, flushes it to the disk and
// renames it over the target, so a failed or interrupted write never leaves a
// truncated file and never damages the old one. A short write or a failed
// close is a failure.
ImageResult writeFileAtomically(const std::string& fileName, std::span<const std::uint8_t> bytes);

}  // namespace quarnel::image
