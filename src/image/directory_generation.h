// The module directory's generation, read from the four ASCII characters
// that follow "AMIBIOSC". Each generation lays its module blocks out by its
// own rules:
// - 06xx ("0600" to "0631"): no 8-byte prefix; the data area is size16 bytes
//   long (so at most 65,535), blocks carry no checksum, and the chain ends
//   right at the signature;
// - 0700: the prefix holds the exact dataSize and an 8-bit block checksum;
// - 0800, and any other text: the prefix holds a dataSize rounded to whole
//   words for compressed areas and a 32-bit block checksum.
// 0700 and 0800 chains end 10 bytes below the signature.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace quarnel::image {

enum class DirectoryGeneration { V06xx, V0700, V0800 };

struct DirectoryVersion {
    std::string text = "0800";  // the four characters as read; non-printable ones shown as '.'
    DirectoryGeneration generation = DirectoryGeneration::V0800;
};

// The version of the directory whose signature starts at `directoryOffset`.
DirectoryVersion readDirectoryVersion(std::span<const std::uint8_t> bytes, std::uint32_t directoryOffset);
DirectoryGeneration generationOf(const std::string& text);
// "06xx", "0700" or "0800": the rules a generation follows.
const char* generationName(DirectoryGeneration generation);

// The bytes of a block before its header: dataSize and the block checksum.
std::uint32_t blockPrefixSize(DirectoryGeneration generation);
// The bytes between the chain's top and the signature, kept as read.
std::uint32_t gapBelowDirectory(DirectoryGeneration generation);
// The largest data area a block can describe; without a prefix, only size16
// holds the length.
std::uint32_t maxDataArea(DirectoryGeneration generation);

}  // namespace quarnel::image
