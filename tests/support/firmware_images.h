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

// What an edit of the module with this ID (sub-identifiers 0) changed
// beyond what it needs, or nothing: every other module keeps its header
// fields and data area, and no byte changes outside the module's old and new
// blocks, the directory's first link and checksum, the blocks that moved
// (old and new places) and the link and checksum of the block before each
// moved one.
std::string changesBeyondModule(const std::vector<std::uint8_t>& input, const std::vector<std::uint8_t>& edited,
                                std::uint8_t moduleId);

}  // namespace quarnel::test
