// The real BIOS dumps of the folder named by the CMake cache variable
// QUARNEL_FIRMWARE_DIR. They are third-party firmware and never part of the
// repository, so tests skip, saying so, when the folder is absent; every
// image in it goes through the same rules.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quarnel::test {

struct Firmware {
    std::string name;
    std::filesystem::path path;
    std::vector<std::uint8_t> bytes;
};

const char* firmwareFolder();
// The folder's images sorted by name (its README left out); empty when the
// folder is absent.
std::vector<Firmware> firmwareImages();

// A directory names its version in four digits; a signature followed by
// anything else (a date, say) is a string inside the code, not a directory.
bool claimsDirectory(const std::vector<std::uint8_t>& bytes);

}  // namespace quarnel::test
