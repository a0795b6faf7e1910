// Loading: the file is read whole, the chain walked, every module's contents
// copied or decoded into the list, and every block read erased to 0xFF.
//
// A load that fails on a corrupt chain, a corrupt stream or memory releases
// the image again, so no caller can go on to rebuild from half a list. A file
// without a directory stays loaded with an empty list.
#include "block_checksum.h"
#include "chain_layout.h"
#include "hex_text.h"
#include "image_layout.h"
#include "lzh/lzh.h"
#include "memory_message.h"
#include "module_chain.h"
#include "module_reading.h"
#include "rom_image.h"

namespace quarnel::image {
namespace {

Result fail(RomImage& image, Result result) {
    unloadImage(image);
    return result;
}

}  // namespace

void unloadImage(RomImage& image) { image = RomImage{}; }

Result parseModuleChain(RomImage& image, LoadFor purpose) {
    if (!image.loaded) return {Outcome::NotLoaded, "No image loaded"};
    const ModuleChain chain = describeModuleChain(image.bytes);
    if (chain.result.outcome == Outcome::NoDirectory) return chain.result;
    if (!chain.result.ok()) return fail(image, chain.result);
    image.directoryOffset = chain.directoryOffset;
    image.directoryVersion = chain.directoryVersion;
    image.generation = chain.generation;
    image.directoryChecksumHeld = directoryChecksumHolds(image.bytes, chain.directoryOffset);
    image.chainStart = chain.lowestBlockStart();
    if (Result r = readModules(image, chain, purpose); !r.ok()) return fail(image, r);
    if (image.bytes.empty()) return {};
    // The room a chain laid out again may take: the erased blocks and the
    // 0xFF bytes among and below them, down to the first byte that is not
    // the chain's.
    const std::uint32_t top = image.moduleAreaEnd();
    image.freeStart = top - runOfFFDown(image.bytes, top, linkWindowStart(image.bytes.size()));
    return {};
}

Result loadImageBytes(RomImage& image, std::vector<std::uint8_t> bytes, LoadFor purpose) {
    unloadImage(image);
    image.bytes = std::move(bytes);
    image.loaded = true;
    return parseModuleChain(image, purpose);
}

}  // namespace quarnel::image
