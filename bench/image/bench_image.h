// The benchmark image: 1 MiB with its directory near the top and about
// 600 KiB of module contents (seabios firmware and Qt library code), most of
// it compressed, laid out by the container itself.
#pragma once

#include <cstdint>
#include <string>

namespace quarnel::bench {

// Writes the image to `fileName`; false (with a message on standard error)
// when a source file is missing or the image can't be made.
bool writeBenchImage(const std::string& fileName);

}  // namespace quarnel::bench
