#include "block_checksum.h"

#include "image_layout.h"

namespace quarnel::image {

bool blockChecksumHolds(std::span<const std::uint8_t> bytes, DirectoryGeneration generation, std::uint32_t blockStart,
                        std::uint32_t blockLength) {
    switch (generation) {
    case DirectoryGeneration::V0800: return dwordChecksum(bytes, blockStart, blockLength) == 0;
    case DirectoryGeneration::V0700:
        return readU32(bytes, blockStart + BlockChecksumField) == byteChecksum(bytes, blockStart, blockLength);
    case DirectoryGeneration::V06xx: break;
    }
    return true;
}

void setBlockChecksum(std::span<std::uint8_t> bytes, DirectoryGeneration generation, std::uint32_t blockStart,
                      std::uint32_t blockLength) {
    if (generation == DirectoryGeneration::V06xx) return;
    writeU32(bytes, blockStart + BlockChecksumField, 0);
    writeU32(bytes, blockStart + BlockChecksumField,
             generation == DirectoryGeneration::V0800 ? dwordChecksum(bytes, blockStart, blockLength)
                                                      : byteChecksum(bytes, blockStart, blockLength));
}

bool directoryStretch(std::span<const std::uint8_t> bytes, std::uint32_t directoryOffset, std::uint32_t& start,
                      std::uint32_t& length) {
    length = 8u * readU16(bytes, directoryOffset + ChecksumUnitsField);
    if (length > directoryOffset + DirectoryHeaderSize) return false;
    start = directoryOffset + DirectoryHeaderSize - length;
    return true;
}

bool directoryChecksumHolds(std::span<const std::uint8_t> bytes, std::uint32_t directoryOffset) {
    std::uint32_t start = 0, length = 0;
    return directoryStretch(bytes, directoryOffset, start, length) && dwordChecksum(bytes, start, length) == 0;
}

void setDirectoryChecksum(std::span<std::uint8_t> bytes, std::uint32_t directoryOffset) {
    std::uint32_t start = 0, length = 0;
    if (!directoryStretch(bytes, directoryOffset, start, length)) return;
    writeU32(bytes, directoryOffset + DirectoryChecksumField, 0);
    writeU32(bytes, directoryOffset + DirectoryChecksumField, dwordChecksum(bytes, start, length));
}

bool directoryStretchEmpty(std::span<const std::uint8_t> bytes, std::uint32_t directoryOffset) {
    return readU16(bytes, directoryOffset + ChecksumUnitsField) == 0;
}

namespace {

std::uint32_t unitsToCover(std::uint32_t directoryOffset, std::uint32_t lowest) {
    return (directoryOffset + DirectoryHeaderSize - lowest + 7) / 8;
}

}  // namespace

bool stretchCanCover(std::uint32_t directoryOffset, std::uint32_t lowest) {
    const std::uint32_t units = unitsToCover(directoryOffset, lowest);
    return units <= 0xFFFF && 8u * units <= directoryOffset + DirectoryHeaderSize;
}

void growStretchToCover(std::span<std::uint8_t> bytes, std::uint32_t directoryOffset, std::uint32_t lowest) {
    const std::uint32_t at = directoryOffset + ChecksumUnitsField;
    const std::uint32_t units = unitsToCover(directoryOffset, lowest);
    if (units > readU16(bytes, at)) writeU16(bytes, at, static_cast<std::uint16_t>(units));
}

}  // namespace quarnel::image
