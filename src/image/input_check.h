// The check of an image before anything is written from it: a rebuild sets
// fresh checksums over whatever it was given, so damage in the input would
// come out looking sound.
#pragma once

#include <string>
#include <vector>

#include "rom_image.h"

namespace quarnel::image {

struct CheckedLoad {
    Result result;               // the load's, or the refusal of a damaged input
    std::vector<std::string> faults;  // what is wrong with the input; empty when it is sound
};

// Checks every block checksum, the directory checksum and that every
// compressed module decodes, then loads the bytes of the file `fileName`. A
// damaged input is refused (BadData, its message naming the file and the
// first faults) unless `force` is set; the faults are listed either way.
CheckedLoad loadCheckedBytes(RomImage& image, const std::string& fileName, std::vector<std::uint8_t> bytes,
                             bool force, LoadFor purpose = LoadFor::Rebuild);

// The warning of a write made from a damaged input all the same.
std::string forcedDamageMessage(const std::string& fileName, const std::vector<std::string>& faults);

}  // namespace quarnel::image
