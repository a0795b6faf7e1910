// Where things lie in an image: the directory header, the module blocks and
// the limits the container holds files and modules to. Every multi-byte field
// is little-endian.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "lzh/little_endian.h"
#include "rom_image.h"

namespace quarnel::image {

inline constexpr std::array<std::uint8_t, 8> DirectorySignature = {'A', 'M', 'I', 'B', 'I', 'O', 'S', 'C'};

// Directory header, counted from the signature.
inline constexpr std::uint32_t DirectoryVersionField = 8;  // four ASCII characters: "0800", "0700", "0627"...
inline constexpr std::uint32_t DirectoryVersionLength = 4;
inline constexpr std::uint32_t ChecksumUnitsField = 12;
inline constexpr std::uint32_t DirectoryChecksumField = 14;
inline constexpr std::uint32_t FirstModuleField = 18;
inline constexpr std::uint32_t DirectoryHeaderSize = 22;
// In 0700 and 0800 directories the bytes right below the signature belong to
// neither the directory nor the module area; they are kept as read.
inline constexpr std::uint32_t GapBelowDirectory = 10;

// Module block: an 8-byte prefix (not in 06xx directories), then the 12-byte
// header that links point at, then the data area. Header fields count from
// the header.
inline constexpr std::uint32_t BlockPrefixSize = 8;
inline constexpr std::uint32_t DataSizeField = 0;       // in the prefix
inline constexpr std::uint32_t BlockChecksumField = 4;  // in the prefix
inline constexpr std::uint32_t NextField = 0;
inline constexpr std::uint32_t Size16Field = 4;
inline constexpr std::uint32_t ModuleIdField = 6;
inline constexpr std::uint32_t FlagsField = 7;
inline constexpr std::uint32_t SubId1Field = 8;
inline constexpr std::uint32_t SubId2Field = 10;
inline constexpr std::uint32_t HeaderSize = 12;
inline constexpr std::uint32_t BlockOverhead = BlockPrefixSize + HeaderSize;

// Links map the last byte of the image to linear address 0xFFFFF, so they
// address only the top 1 MiB of a larger file: the directory and its chain
// lie there, and everything below is kept as read.
inline constexpr std::uint32_t LinkWindow = 0x100000;
// Boards of the last generations carry images of up to 16 MiB.
inline constexpr std::uint32_t MaxImageSize = 16u << 20;
// One encoded module must fit the rebuild's scratch buffer.
inline constexpr std::uint32_t ScratchSize = 0x100000;
// No real module unpacks to more; a larger unpackedSize is a corrupt field,
// not an allocation request. The sum over a chain is bounded too, so a small
// file can't make the load unpack gigabytes.
inline constexpr std::uint32_t MaxModuleContents = 16u << 20;
inline constexpr std::uint64_t MaxChainContents = 64u << 20;

inline constexpr std::uint8_t ModuleIdStoredA = 0x40;
inline constexpr std::uint8_t ModuleIdStoredB = 0x60;

// A module is LZH-coded in the image unless its flags or its ID say stored.
inline bool isCompressedModule(std::uint8_t moduleId, std::uint8_t flags) {
    return (flags & StoredFlag) == 0 && moduleId != ModuleIdStoredA && moduleId != ModuleIdStoredB;
}

}  // namespace quarnel::image
