// A module block as a write lays it down, by the rules of the directory's
// generation; the rebuild and the edit in place both write blocks this way.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "directory_generation.h"
#include "rom_image.h"

namespace quarnel::image {

// The data area's length for an area of `length` bytes: only 0800 pads a
// compressed area to whole words (with 0xFF); packedSize inside keeps the
// unpadded length.
std::uint32_t placedDataSize(DirectoryGeneration generation, bool compressed, std::uint32_t length);
// size16 of a new block: dataSize, or 0xFFFF from 0x10000 on.
std::uint16_t size16Of(std::uint32_t dataSize);
// Refuses a data area the generation's blocks can't describe.
Result checkDataArea(const std::string& moduleName, DirectoryGeneration generation, std::uint32_t dataSize);

struct BlockFields {
    std::uint32_t dataSize = 0;
    std::uint16_t size16 = 0;
    std::uint32_t next = 0xFFFFFFFF;  // the link as its 4 bytes; the end of the chain by default
};

// Writes the block that starts at `start`: the prefix (dataSize and a zero
// checksum) unless the generation has none, the header with the entry's ID,
// flags and sub-identifiers, then `area` and 0xFF up to dataSize.
void writeBlock(std::span<std::uint8_t> bytes, DirectoryGeneration generation, std::uint32_t start,
                const ModuleEntry& entry, std::span<const std::uint8_t> area, const BlockFields& fields);

}  // namespace quarnel::image
