// Loads arbitrary module chains, laid into an image as image_fuzz_input.h
// says, each generation walked and checked by its own rules. A chain that
// loads has one of its modules edited (unchanged, a byte changed, or grown) and put
// back in place, moved or slid: the result must load back with that module
// changed and every other as it was, every checksum that held holding
// again, and a module whose area comes out as it was must leave every byte.
//
// With QUARNEL_FUZZ_REPORT set, each input's outcome goes to the standard
// error stream, so that scripts/fuzz can tell what a corpus reaches.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "image/block_checksum.h"
#include "image/directory_generation.h"
#include "image/image_layout.h"
#include "image/module_areas.h"
#include "image/module_chain.h"
#include "image/module_placement.h"
#include "image/rom_image.h"
#include "image/verify_image.h"
#include "image_fuzz_input.h"
#include "lzh/lzh.h"

namespace {

using namespace quarnel::fuzz;
using Bytes = std::vector<std::uint8_t>;

void putLe16(Bytes& bytes, std::size_t at, std::uint32_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

// Sets the checksums the shape asks for, the blocks' before the directory's,
// which may cover them.
void makeChecksumsHold(Bytes& image, std::uint8_t shape) {
    using namespace quarnel::image;
    const ModuleChain chain = describeModuleChain(image);
    if (!chain.result.ok()) return;
    if (shape & BlockChecksumsHold) {
        std::vector<ModuleBlock> blocks = chain.blocks;
        // A block's last partial word reads the bytes above it: the highest first.
        std::sort(blocks.begin(), blocks.end(),
                  [](const ModuleBlock& a, const ModuleBlock& b) { return a.blockStart() > b.blockStart(); });
        for (const ModuleBlock& block : blocks)
            setBlockChecksum(image, chain.generation, block.blockStart(), block.blockLength());
    }
    if (shape & DirectoryChecksumHolds) {
        if (chain.generation == DirectoryGeneration::V06xx) {
            if (!stretchCanCover(Directory, chain.lowestBlockStart())) return;
            growStretchToCover(image, Directory, chain.lowestBlockStart());
        }
        setDirectoryChecksum(image, Directory);
    }
}

Bytes imageAround(const std::uint8_t* data, std::size_t size) {
    using namespace quarnel::image;
    Bytes image(ImageSize, 0xFF);
    const std::uint8_t choice = data[0], shape = data[1];
    const std::string version = directoryVersion(choice);
    const std::size_t areaEnd = Directory - gapBelowDirectory(generationOf(version));
    const std::size_t length = std::min(size - InputHeaderSize, areaEnd);
    const std::uint8_t* area = data + InputHeaderSize;
    if (shape & TopAligned)
        std::copy_n(area + (size - InputHeaderSize - length), length, image.begin() + (areaEnd - length));
    else
        std::copy_n(area, length, image.begin());
    std::copy(DirectorySignature.begin(), DirectorySignature.end(), image.begin() + Directory);
    std::copy_n(version.begin(), 4, image.begin() + Directory + DirectoryVersionField);
    putLe16(image, Directory + ChecksumUnitsField, 2);
    // The link in its normalised form: file offset + 1 MiB - image size.
    const std::uint32_t linear = (data[2] | data[3] << 8) + LinkWindow - ImageSize;
    putLe16(image, Directory + FirstModuleField, linear & 0xF);
    putLe16(image, Directory + FirstModuleField + 2, linear >> 4);
    makeChecksumsHold(image, shape);
    return image;
}

// A stream whose packedSize reaches past its block would decode other
// bytes once its neighbour changes; such chains are loaded, not edited.
bool streamsStayInTheirBlocks(const Bytes& bytes) {
    for (const auto& block : quarnel::image::describeModuleChain(bytes).blocks)
        if (block.compressed && block.size != quarnel::image::NoContents &&
            quarnel::lzh::readAreaHeader(std::span(bytes).subspan(block.dataOffset()))->packedSize > block.dataSize)
            return false;
    return true;
}

// The module's contents as they are, with one byte changed, or grown by
// bytes that compress little, so that the area grows about as much.
void edit(quarnel::image::ModuleEntry& entry, std::uint8_t choice, std::uint8_t shape) {
    const std::uint8_t kind = editOf(shape);
    if (kind == Unedited) return;
    if (kind == OneByteChanged && !entry.data.empty()) {
        entry.data[choice % entry.data.size()] ^= 0x5A;
        return;
    }
    std::uint32_t state = 0x9E3779B9u ^ choice;
    for (std::size_t i = 0; i < std::max<std::size_t>(growthOf(kind), 1); ++i) {
        state ^= state << 13, state ^= state >> 17, state ^= state << 5;
        entry.data.push_back(static_cast<std::uint8_t>(state));
    }
    entry.size = static_cast<std::uint32_t>(entry.data.size());
}

std::vector<bool> blockChecksumsHolding(const Bytes& bytes) {
    using namespace quarnel::image;
    const ModuleChain chain = describeModuleChain(bytes);
    std::vector<bool> holding;
    for (const ModuleBlock& block : chain.blocks)
        holding.push_back(blockChecksumHolds(bytes, chain.generation, block.blockStart(), block.blockLength()));
    return holding;
}

// A block written anew holds its checksum; one kept whole (an unchanged
// module's among them) keeps the state its checksum had.
void checkChecksumsKept(const quarnel::image::RomImage& image, std::size_t index, bool rewritten, const Bytes& out) {
    const std::vector<bool> before = blockChecksumsHolding(image.asRead), after = blockChecksumsHolding(out);
    if (before.size() != after.size()) __builtin_trap();
    for (std::size_t i = 0; i < before.size(); ++i)
        if (((i == index && rewritten) || before[i]) && !after[i]) __builtin_trap();
    if (image.directoryChecksumHeld && !quarnel::image::directoryChecksumHolds(out, image.directoryOffset))
        __builtin_trap();
}

// What the edit came to: a placement's name, "refused", or why none was tried.
std::string checkEditInPlace(const quarnel::image::RomImage& image, std::uint8_t choice, std::uint8_t shape) {
    using namespace quarnel::image;
    if (image.modules.empty()) return "no module";
    if (!streamsStayInTheirBlocks(image.asRead)) return "a stream past its block";
    const std::size_t index = choice % image.modules.size();
    ModuleEntry entry = image.modules[index];
    if (entry.size == NoContents || placedCompressed(entry) != entry.compressed) return "not editable";
    edit(entry, choice, shape);
    ModuleArea area;
    const quarnel::lzh::TextBuffer carried = textCarriedTo(image.modules, index);
    if (!prepareModuleArea(index, entry, area, 1, &carried).ok()) return "not encodable";
    Bytes out;
    Placement placement{};
    if (!placeModule(image, index, entry, area, out, &placement).ok()) return "refused";
    if (placement == Placement::Unchanged && out != image.asRead) __builtin_trap();
    RomImage again;
    if (!loadImageBytes(again, std::move(out)).ok() || again.modules.size() != image.modules.size())
        __builtin_trap();
    for (std::size_t i = 0; i < image.modules.size(); ++i)
        if (again.modules[i].data != (i == index ? entry.data : image.modules[i].data)) __builtin_trap();
    checkChecksumsKept(image, index, placement != Placement::Unchanged, again.asRead);
    return placementName(placement);
}

bool holdsDmiModule(const quarnel::image::RomImage& image) {
    return std::any_of(image.modules.begin(), image.modules.end(),
                       [](const quarnel::image::ModuleEntry& entry) { return entry.moduleId == 6; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < InputHeaderSize) return -1;
    Bytes bytes = imageAround(data, size);
    quarnel::image::verifyImage(bytes);
    quarnel::image::RomImage image;
    const quarnel::Result result = quarnel::image::loadImageBytes(image, std::move(bytes));
    std::string outcome = "not loaded";
    if (result.ok()) {
        // A successful load walked the chain by the generation asked for (the
        // bytes may hold a lower "AMIBIOSC", which is the directory then), and
        // left every entry's size matching its contents.
        if (image.directoryOffset == Directory &&
            image.generation != quarnel::image::generationOf(directoryVersion(data[0])))
            __builtin_trap();
        for (const auto& entry : image.modules)
            if (entry.size != quarnel::image::NoContents && entry.size != entry.data.size()) __builtin_trap();
        outcome = checkEditInPlace(image, data[0], data[1]);
    }
    static const bool report = std::getenv("QUARNEL_FUZZ_REPORT") != nullptr;
    if (report)
        std::fprintf(stderr, "edit: %s; modules: %zu; DMI module: %s; input: %zu bytes\n", outcome.c_str(),
                     image.modules.size(), holdsDmiModule(image) ? "yes" : "no", size);
    return 0;
}
