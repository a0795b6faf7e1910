// A synthetic ROM image for trying the tool out and for the tests: 512 KiB,
// the "AMIBIOSC" directory near the top, below it a chain of stored and
// compressed modules holding real BIOS code from Debian's seabios package,
// and module 6 holding the DMI data of sample_dmi_module.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/rom_image.h"

namespace quarnel::sample {

inline constexpr char DefaultSeabiosDirectory[] = QUARNEL_SEABIOS_DIR;  // a CMake cache variable
inline constexpr std::uint32_t SampleImageSize = 512 * 1024;
inline constexpr std::uint32_t SampleDirectoryOffset = 0x6FFE0;

// The seabios files the image is built from.
std::vector<std::string> sampleSourceFiles(const std::string& seabiosDirectory = DefaultSeabiosDirectory);

// Builds the image in memory through the container's own rebuild and writes
// it to `fileName`. CantOpen when seabios's files are missing.
Result writeSampleImage(const std::string& fileName,
                        const std::string& seabiosDirectory = DefaultSeabiosDirectory);

}  // namespace quarnel::sample
