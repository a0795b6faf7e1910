// The wording of the file layer's failures, the same on every system; only
// the reason is the system's own text.
#pragma once

#include <cstdint>
#include <string>

#include "image/rom_image.h"

namespace quarnel::platform {

Result cantOpen(const std::string& fileName, const std::string& reason);
Result cantCreate(const std::string& fileName, const std::string& reason);
Result errorWriting(const std::string& fileName, const std::string& reason);
// "it is <kind>, not a regular file"
std::string notRegularFile(const std::string& kind);
// Why a file of that many bytes is refused before it is read.
std::string tooLargeReason(std::uint64_t size);

}  // namespace quarnel::platform
