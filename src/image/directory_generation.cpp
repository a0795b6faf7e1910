#include "directory_generation.h"

#include "image_layout.h"

namespace quarnel::image {

DirectoryVersion readDirectoryVersion(std::span<const std::uint8_t> bytes, std::uint32_t directoryOffset) {
    DirectoryVersion version;
    version.text.clear();
    for (std::uint32_t i = 0; i < DirectoryVersionLength; ++i) {
        const std::uint8_t c = bytes[directoryOffset + DirectoryVersionField + i];
        version.text += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '.';
    }
    version.generation = generationOf(version.text);
    return version;
}

DirectoryGeneration generationOf(const std::string& text) {
    if (text == "0700") return DirectoryGeneration::V0700;
    const bool digits = text.size() == 4 && text.find_first_not_of("0123456789") == std::string::npos;
    if (digits && text.starts_with("06") && std::stoi(text.substr(2)) <= 31) return DirectoryGeneration::V06xx;
    return DirectoryGeneration::V0800;
}

const char* generationName(DirectoryGeneration generation) {
    switch (generation) {
    case DirectoryGeneration::V06xx: return "06xx";
    case DirectoryGeneration::V0700: return "0700";
    case DirectoryGeneration::V0800: break;
    }
    return "0800";
}

std::uint32_t blockPrefixSize(DirectoryGeneration generation) {
    return generation == DirectoryGeneration::V06xx ? 0 : BlockPrefixSize;
}

std::uint32_t gapBelowDirectory(DirectoryGeneration generation) {
    return generation == DirectoryGeneration::V06xx ? 0 : GapBelowDirectory;
}

std::uint32_t maxDataArea(DirectoryGeneration generation) {
    return generation == DirectoryGeneration::V06xx ? 0xFFFF : 0xFFFFFFFF;
}

}  // namespace quarnel::image
