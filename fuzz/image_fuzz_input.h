// The image fuzzer's input, which the seed generator writes too. Its bytes
// are laid into a 64 KiB image, 0xFF elsewhere, whose directory sits at
// 0xFF00:
//   byte 0     the choice: the directory's generation (choice % 3: 0800,
//              0700, or 06xx with minor choice / 3 % 32) and the module
//              edited (choice % the chain's length)
//   byte 1     the shape: bit 0 the bytes end at the chain's top (else they
//              start the image), bit 1 the directory checksum is made to
//              hold, bit 2 every block's checksum is made to hold, bits 3-7
//              the edit k: 0 puts the module back as it is, 1 changes one
//              byte, else the module grows by 4 (k - 1)^2 bytes
//   bytes 2-3  the file offset of the first module's header, little-endian
//   the rest   the bytes of the module area
// Mutations keep the links valid that point into the bytes they leave in
// place, and the checksum bits keep mutated chains checksummed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quarnel::fuzz {

inline constexpr std::size_t ImageSize = 0x10000;
inline constexpr std::size_t Directory = 0xFF00;
inline constexpr std::size_t InputHeaderSize = 4;

inline constexpr std::uint8_t TopAligned = 1;
inline constexpr std::uint8_t DirectoryChecksumHolds = 2;
inline constexpr std::uint8_t BlockChecksumsHold = 4;
inline constexpr int EditShift = 3;

// "0800", "0700", or "0600" to "0631".
inline std::string directoryVersion(std::uint8_t choice) {
    switch (choice % 3) {
        case 0: return "0800";
        case 1: return "0700";
        default: break;
    }
    const unsigned minor = choice / 3u % 32u;
    return "06" + std::to_string(minor / 10) + std::to_string(minor % 10);
}

inline constexpr std::uint8_t Unedited = 0;
inline constexpr std::uint8_t OneByteChanged = 1;

inline std::uint8_t editOf(std::uint8_t shape) { return shape >> EditShift; }
// Bytes a module grows by under an edit above OneByteChanged.
inline std::size_t growthOf(std::uint8_t edit) { return 4u * (edit - 1u) * (edit - 1u); }

}  // namespace quarnel::fuzz
