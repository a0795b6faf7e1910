// Images read from and written to files: the container works on bytes, these
// bring them in and take them out.
#pragma once

#include <string>

#include "image/input_check.h"
#include "image/rom_image.h"

namespace quarnel::platform {

// Releases any image held, reads the file whole and loads it
// (image::loadImageBytes); a file without a directory is named in the message.
Result loadImage(image::RomImage& image, const std::string& fileName);

// Reads the file and loads it through the check of a damaged input
// (image::loadCheckedBytes).
image::CheckedLoad loadCheckedImage(image::RomImage& image, const std::string& fileName, bool force,
                                    image::LoadFor purpose = image::LoadFor::Rebuild);

// Rebuilds the image (image::rebuildImageInPlace) and writes it to
// `fileName` atomically; nothing is written when the rebuild fails.
Result rebuildImage(image::RomImage& image, const std::string& fileName, unsigned threads = 0);

}  // namespace quarnel::platform
