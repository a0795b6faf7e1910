// Loading: the file is read whole, the chain walked, every module's contents
// copied or decoded into the list, and every block read erased to 0xFF.
//
// A load that fails on a corrupt chain, a corrupt stream or memory releases
// the image again, so no caller can go on to rebuild from half a list. A file
// without a directory stays loaded with an empty list.
#include <algorithm>
#include <new>

#include "block_checksum.h"
#include "chain_layout.h"
#include "hex_text.h"
#include "image_layout.h"
#include "lzh/lzh.h"
#include "memory_message.h"
#include "module_chain.h"
#include "rom_image.h"

namespace quarnel::image {
namespace {

Result decodeContents(std::span<const std::uint8_t> bytes, const ModuleBlock& block, ModuleEntry& entry) {
    try {
        entry.data.resize(block.size);
    } catch (const std::bad_alloc&) {
        return notEnoughMemory("the contents of " + moduleName(block), block.size);
    }
    // The area may run past dataSize (the padding is not part of it), but
    // not past the file; the walk has checked packedSize against that.
    const Result decoded = lzh::LzhDecode(bytes.subspan(block.dataOffset()), entry.data);
    if (!decoded.ok()) return {Outcome::BadData, moduleName(block) + ": does not decode: " + decoded.message};
    return {};
}

Result copyContents(std::span<const std::uint8_t> bytes, const ModuleBlock& block, ModuleEntry& entry) {
    try {
        const auto area = bytes.subspan(block.dataOffset(), block.dataSize);
        entry.data.assign(area.begin(), area.end());
    } catch (const std::bad_alloc&) {
        return notEnoughMemory("the contents of " + moduleName(block), block.dataSize);
    }
    return {};
}

Result readModule(RomImage& image, const ModuleBlock& block) {
    ModuleEntry entry;
    entry.size = block.size;
    entry.moduleId = block.moduleId;
    entry.flags = block.flags;
    entry.subId1 = block.subId1;
    entry.subId2 = block.subId2;
    entry.compressed = block.compressed;
    entry.loadedSize16 = block.size16;
    try {
        const auto area = image.bytes.begin() + block.dataOffset();
        entry.loadedArea.assign(area, area + block.dataSize);
    } catch (const std::bad_alloc&) {
        return notEnoughMemory("a copy of the data area of " + moduleName(block), block.dataSize);
    }
    Result result;
    if (!block.compressed)
        result = copyContents(image.bytes, block, entry);
    else if (block.size != NoContents)
        result = decodeContents(image.bytes, block, entry);
    if (!result.ok()) return result;
    try {
        image.modules.push_back(std::move(entry));
    } catch (const std::bad_alloc&) {
        return notEnoughMemory("the list of modules", (image.modules.size() + 1) * sizeof(ModuleEntry));
    }
    return {};
}

Result fail(RomImage& image, Result result) {
    unloadImage(image);
    return result;
}

}  // namespace

void unloadImage(RomImage& image) { image = RomImage{}; }

Result parseModuleChain(RomImage& image) {
    if (!image.loaded) return {Outcome::NotLoaded, "No image loaded"};
    const ModuleChain chain = describeModuleChain(image.bytes);
    if (chain.result.outcome == Outcome::NoDirectory) return chain.result;
    if (!chain.result.ok()) return fail(image, chain.result);
    image.directoryOffset = chain.directoryOffset;
    image.directoryVersion = chain.directoryVersion;
    image.generation = chain.generation;
    image.directoryChecksumHeld = directoryChecksumHolds(image.bytes, chain.directoryOffset);
    try {
        image.asRead = image.bytes;
    } catch (const std::bad_alloc&) {
        return fail(image, notEnoughMemory("a copy of the image as read", image.bytes.size()));
    }
    image.chainStart = chain.lowestBlockStart();
    // In chain order, each block decoded before it is erased: a stream that
    // runs past its own block sees the blocks before it already erased.
    for (const ModuleBlock& block : chain.blocks) {
        if (Result r = readModule(image, block); !r.ok()) return fail(image, r);
        std::fill_n(image.bytes.begin() + block.blockStart(), block.blockLength(), 0xFF);
    }
    // The room a chain laid out again may take: the erased blocks and the
    // 0xFF bytes among and below them, down to the first byte that is not
    // the chain's.
    const std::uint32_t top = image.moduleAreaEnd();
    image.freeStart = top - runOfFFDown(image.bytes, top, linkWindowStart(image.bytes.size()));
    return {};
}

Result loadImageBytes(RomImage& image, std::vector<std::uint8_t> bytes) {
    unloadImage(image);
    image.bytes = std::move(bytes);
    image.loaded = true;
    return parseModuleChain(image);
}

}  // namespace quarnel::image
