// The checksum a module block carries, in its generation's form: 0800 blocks
// sum to 0 in 32-bit words, 0700 blocks carry an 8-bit checksum of their
// bytes, 06xx blocks carry none (the directory checksum covers them).
#pragma once

#include <cstdint>
#include <span>

#include "directory_generation.h"

namespace quarnel::image {

bool blockChecksumHolds(std::span<const std::uint8_t> bytes, DirectoryGeneration generation, std::uint32_t blockStart,
                        std::uint32_t blockLength);
// Sets the field so the checksum holds; a block of a 06xx directory has none.
void setBlockChecksum(std::span<std::uint8_t> bytes, DirectoryGeneration generation, std::uint32_t blockStart,
                      std::uint32_t blockLength);

// The stretch the directory checksum covers: the 8 x checksumUnits bytes
// that end with the directory header. False when it would begin before the
// file.
bool directoryStretch(std::span<const std::uint8_t> bytes, std::uint32_t directoryOffset, std::uint32_t& start,
                      std::uint32_t& length);
bool directoryChecksumHolds(std::span<const std::uint8_t> bytes, std::uint32_t directoryOffset);
void setDirectoryChecksum(std::span<std::uint8_t> bytes, std::uint32_t directoryOffset);
// A stretch of 0 units checks nothing, so the field's bytes mean nothing
// either: writes keep them, and checksumUnits, as read.
bool directoryStretchEmpty(std::span<const std::uint8_t> bytes, std::uint32_t directoryOffset);

// A 06xx directory's checksum covers its whole chain. Whether its stretch
// can reach down to `lowest` (the units fit their field and the stretch
// the file), and the raise of checksumUnits that makes it reach (never
// lowered).
bool stretchCanCover(std::uint32_t directoryOffset, std::uint32_t lowest);
void growStretchToCover(std::span<std::uint8_t> bytes, std::uint32_t directoryOffset, std::uint32_t lowest);

}  // namespace quarnel::image
