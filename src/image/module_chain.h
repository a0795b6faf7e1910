// The walk of the module chain over the file's bytes, without changing them.
// The loader decodes and erases the blocks it returns; the CLI describes and
// verifies images with it. Every check on a chain lives here, so whatever the
// walk accepts can be read and erased without leaving the file.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "directory_generation.h"
#include "rom_image.h"

namespace quarnel::image {

struct ModuleBlock {
    std::uint32_t index = 0;         // place in the chain, from 0
    std::uint32_t headerOffset = 0;  // file offset of the header; the block starts prefixSize bytes below
    std::uint32_t prefixSize = 0;    // 8, or 0 in a 06xx directory
    std::uint32_t dataSize = 0;      // from the prefix, or size16 where there is none
    std::uint16_t size16 = 0;
    std::uint8_t moduleId = 0;
    std::uint8_t flags = 0;
    std::uint16_t subId1 = 0;
    std::uint16_t subId2 = 0;
    bool compressed = false;
    std::uint32_t size = 0;  // contents: unpackedSize (NoContents possible) or dataSize

    // The block's whole extent: prefix, header and data area.
    std::uint32_t blockStart() const;
    std::uint32_t blockLength() const;
    std::uint32_t blockEnd() const { return blockStart() + blockLength(); }
    std::uint32_t dataOffset() const;
};

struct ModuleChain {
    Result result;
    std::uint32_t directoryOffset = 0;
    std::string directoryVersion;  // the four characters after the signature
    DirectoryGeneration generation = DirectoryGeneration::V0800;
    std::vector<ModuleBlock> blocks;  // in chain order

    // Where the chain's highest block ends: the signature in a 06xx
    // directory, 10 bytes below it otherwise.
    std::uint32_t moduleAreaEnd() const;
    // The lowest byte of any block; moduleAreaEnd() for an empty chain.
    std::uint32_t lowestBlockStart() const;
};

// The first byte that links can address: the top 1 MiB of a larger file.
std::uint32_t linkWindowStart(std::size_t fileSize);

// The lowest "AMIBIOSC" in the top 1 MiB that leaves room for the 22-byte
// directory header. One further down could not link its chain.
std::optional<std::uint32_t> findDirectory(std::span<const std::uint8_t> bytes);

// Finds the directory and follows the chain. A chain that leaves the file,
// comes back on itself, overlaps a block or the directory, or claims
// impossible sizes fails with BadData naming the module.
ModuleChain describeModuleChain(std::span<const std::uint8_t> bytes);

// The message of a file without a directory.
std::string noDirectoryMessage(const std::string& fileName);

// "Module 3 (ID 06, header at 0x7F008)": how messages name a module.
std::string moduleName(const ModuleBlock& block);

}  // namespace quarnel::image
