// The ROM image container: the whole file in memory, its "AMIBIOSC" module
// directory, the chain of module blocks it points to, and the list of
// modules with their plain contents.
//
// Nothing here prints or ends the process: every failure comes back as a
// result carrying the message the user is shown.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "directory_generation.h"
#include "lzh/result.h"

namespace quarnel::image {

// The link with offset 0xFFFF and segment 0xFFFF ends a chain.
inline constexpr std::uint32_t ChainEndLinear = 0x10FFEF;
inline constexpr std::uint8_t StoredFlag = 0x80;
inline constexpr std::uint8_t KeepStoredFlag = 0x40;
// The block lies where the board runs it from: it never moves.
inline constexpr std::uint8_t FixedPlaceFlag = 0x10;
// A compressed module's unpackedSize of this value: the module has no contents.
inline constexpr std::uint32_t NoContents = 0xFFFFFFFF;

struct ModuleEntry {
    std::uint32_t size = 0;  // length of data; NoContents for an entry without contents
    std::uint8_t moduleId = 0;
    std::uint8_t flags = 0;
    std::uint16_t subId1 = 0;
    std::uint16_t subId2 = 0;
    std::vector<std::uint8_t> data;  // plain contents; empty when size is NoContents
    bool compressed = false;         // LZH-coded in the image: decoded on load, encoded on rebuild
};

// In chain order; replaceModule appends at the end.
using ModuleList = std::vector<ModuleEntry>;

struct RomImage {
    bool loaded = false;
    std::vector<std::uint8_t> bytes;  // the file; loading erases the module blocks in it (see LoadFor)
    // The file as it was read, blocks and all: an edit in place starts from
    // it, and a rebuild keeps from it the data area and size16 of a module
    // whose area comes out the same.
    std::vector<std::uint8_t> asRead;
    // The directory checksum held in the file as read; writes keep that state.
    bool directoryChecksumHeld = false;
    std::uint32_t directoryOffset = 0;
    std::string directoryVersion = "0800";  // the four characters after the signature
    DirectoryGeneration generation = DirectoryGeneration::V0800;
    // What the rebuild may write: the run of 0xFF bytes, the erased blocks
    // among them, that ends at moduleAreaEnd (never below the top 1 MiB).
    // Every other byte stays as read.
    std::uint32_t chainStart = 0;  // the lowest byte of the loaded chain's blocks
    std::uint32_t freeStart = 0;   // where that run begins
    ModuleList modules;

    std::uint32_t fileSize() const { return static_cast<std::uint32_t>(bytes.size()); }
    // Where the chain's top block ends: 10 bytes below the signature, or at
    // the signature in a 06xx directory.
    std::uint32_t moduleAreaEnd() const { return directoryOffset - gapBelowDirectory(generation); }
};

// Every operation here reports through the one result of the code base.
using quarnel::Outcome;
using quarnel::Result;

// What a load keeps. Every use needs the list and the file as read; only a
// rebuild needs `bytes` with the blocks erased (and freeStart), a second
// megabyte-size buffer that an edit in place never reads. Loaded for an
// edit in place, an image leaves `bytes` empty and can't be rebuilt.
enum class LoadFor { Rebuild, EditInPlace };

// Releases any image held, takes the bytes of a whole file and parses its
// chain. A file without a directory stays loaded with an empty list
// (NoDirectory); a corrupt chain or stream, or a lack of memory, releases
// the image again, so nothing can be rebuilt from half a list.
Result loadImageBytes(RomImage& image, std::vector<std::uint8_t> bytes, LoadFor purpose = LoadFor::Rebuild);
void unloadImage(RomImage& image);
// Finds the directory and walks the chain into the module list.
Result parseModuleChain(RomImage& image, LoadFor purpose = LoadFor::Rebuild);

// Mind the key order: subId2 (header offset 10) before subId1 (offset 8).
// The entry stays the list's; it is valid until a module is replaced or
// appended or an image is loaded again. Null when there is no such module.
const ModuleEntry* findModule(const RomImage& image, std::uint8_t moduleId, std::uint16_t subId2,
                              std::uint16_t subId1);
// Replaces the contents and flags of the module with this key, keeping its
// place and its compressed form, or appends a new module. The contents are
// copied. An appended module is compressed unless flags bit 7 is set or its
// ID is 0x40 or 0x60, as a loaded one would be.
Result replaceModule(RomImage& image, std::uint8_t moduleId, std::uint16_t subId2, std::uint16_t subId1,
                     std::uint8_t flags, std::span<const std::uint8_t> contents);

// Lays the chain out anew below the directory by the rules of the image's
// generation, encodes every compressed module again (each from the buffer
// the ones before it carry) and sets all checksums (the directory's only
// when it held in the file); the new image is left in `image.bytes`.
// Nothing changes unless the loaded chain was laid out as a rebuild lays
// it, the whole image is sound and the chain fits between freeStart and
// moduleAreaEnd.
// It works in place: the image's bytes take the new layout and each entry's
// size becomes that of its placed data area (packed and padded for a
// compressed module), so the image must be loaded again before another
// rebuild; a rebuild from such a list is refused. The modules are encoded on
// `threads` threads (0: one per hardware thread); the bytes are the same for
// every count.
Result rebuildImageInPlace(RomImage& image, unsigned threads = 0);

// 0 minus the wrapping sum of the little-endian 32-bit words of the stretch.
// A last partial word takes the bytes behind the stretch, as far as the
// image goes.
std::uint32_t dwordChecksum(std::span<const std::uint8_t> image, std::uint32_t start, std::uint32_t length);
// A 0700 block's checksum: the low byte that brings the byte sum of the
// block (prefix, header and data, its own 4-byte field left out) to 0 mod
// 256; the upper three bytes are 0.
std::uint32_t byteChecksum(std::span<const std::uint8_t> image, std::uint32_t blockStart, std::uint32_t length);

}  // namespace quarnel::image
