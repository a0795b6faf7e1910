// The rebuild lays the module list out again as one chain below the
// directory: the first entry becomes the highest block, ending where the
// loaded chain's top block ended, and each next one lies right below it. It
// has two stages: every module's data area is made first (module_areas.h:
// compressed modules encoded anew and checked by decoding back), then the
// areas are placed by the rules of the directory's generation and the
// checksums set, so no stream that does not give back its module reaches
// the disk.
//
// Only a chain already laid out that way is laid out again: other builders
// place blocks on purpose (stored code at fixed addresses, free room above
// the chain), and a relayout would move them; one module is changed in place
// instead (module_placement.h). The new chain takes only the loaded one's
// blocks and the 0xFF bytes around them: whatever else lies below the
// directory (other BIOS data, padding inside the directory checksum's
// stretch, everything below the top 1 MiB) is not ours and stays as read. A
// chain that needs more room is refused before any byte changes.
//
// It works in place on the image and the list: after it, sizes are those of
// the placed data areas and `compressed` is cleared where flags bit 6 is set,
// so the image must be loaded again before a second rebuild.
#include <algorithm>

#include "block_checksum.h"
#include "block_writer.h"
#include "chain_layout.h"
#include "hex_text.h"
#include "image_layout.h"
#include "links.h"
#include "module_areas.h"
#include "module_chain.h"
#include "rom_image.h"

namespace quarnel::image {
namespace {

bool holdsDirectory(const RomImage& image) {
    const auto& bytes = image.bytes;
    const std::uint32_t gap = gapBelowDirectory(image.generation);
    return image.loaded && image.directoryOffset >= gap &&
           static_cast<std::uint64_t>(image.directoryOffset) + DirectoryHeaderSize <= bytes.size() &&
           std::equal(DirectorySignature.begin(), DirectorySignature.end(), bytes.begin() + image.directoryOffset);
}

bool holdsChainSpan(const RomImage& image) {
    return linkWindowStart(image.bytes.size()) <= image.freeStart && image.freeStart <= image.moduleAreaEnd() &&
           image.chainStart <= image.moduleAreaEnd();
}

Result checkLayout(const ModuleChain& chain) {
    if (!chain.result.ok()) return chain.result;
    if (laidOutAsRebuilt(chain)) return {};
    return {Outcome::BadData,
            "The module chain is not laid out as a rebuild lays it (each block right below the one before, from "
            "the directory down): its builder placed the blocks on purpose, and laying them out again would move "
            "them. Nothing was written; replace or pack change one module in place instead"};
}

bool hasContents(const ModuleEntry& entry) { return entry.size != NoContents; }

// Everything that can be known before the image is touched. `loaded` is the
// chain as read.
Result checkBeforeRebuild(const RomImage& image, const ModuleChain& loaded) {
    if (image.loaded && image.bytes.empty() && !image.asRead.empty())
        return {Outcome::NotLoaded, "The image was loaded for an edit in place; load it again to rebuild it"};
    if (!holdsDirectory(image)) return {Outcome::NotLoaded, "No image with a module directory is loaded"};
    if (!holdsChainSpan(image)) return {Outcome::BadData, "The room of the loaded module chain is not known"};
    if (Result r = checkLayout(loaded); !r.ok()) return r;
    const std::uint32_t stretch = 8u * readU16(image.bytes, image.directoryOffset + ChecksumUnitsField);
    if (stretch > image.directoryOffset + DirectoryHeaderSize)
        return {Outcome::BadData, "The directory checksum would cover " + std::to_string(stretch) +
                                      " bytes, more than lie before the end of the directory"};
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < image.modules.size(); ++i) {
        const ModuleEntry& entry = image.modules[i];
        // A list that was rebuilt once holds packed sizes beside plain
        // contents; encoding by those sizes would cut modules short.
        if (hasContents(entry) ? entry.size != entry.data.size() : !entry.data.empty())
            return {Outcome::BadData, entryName(i, entry) + ": its size does not match its contents "
                                                            "(load the image again before rebuilding)"};
        if (hasContents(entry) && entry.size > MaxModuleContents)
            return {Outcome::BadData, entryName(i, entry) + ": its contents are larger than 16 MiB"};
        if (entry.compressed) total += entry.data.size();
    }
    // The load's bound on what a chain unpacks to, so the image loads back.
    if (total > MaxChainContents)
        return {Outcome::BadData, "The compressed modules hold more than 64 MiB of contents in all"};
    return {};
}

// One module as it will lie in its block.
struct PlacedArea {
    std::span<const std::uint8_t> area;  // the bytes of the data area, before any fill
    std::uint32_t dataSize = 0;          // the data area's length, fill included
    std::uint16_t size16 = 0;
    std::uint32_t gapAbove = 0;          // bytes left free between it and the block above
};

class Rebuild {
public:
    Rebuild(RomImage& image, const ModuleChain& loaded, const std::vector<ModuleArea>& areas)
        : image_(image), loaded_(loaded), bytes_(image.bytes), areas_(areas), generation_(image.generation),
          prefixSize_(blockPrefixSize(image.generation)) {}

    Result run() {
        if (Result r = planPlacements(); !r.ok()) return r;
        if (Result r = checkRoom(); !r.ok()) return r;
        cursor_ = image_.moduleAreaEnd();
        linkToFill_ = image_.directoryOffset + FirstModuleField;
        for (std::size_t i = 0; i < image_.modules.size(); ++i) placeModule(image_.modules[i], placements_[i]);
        setChecksums();
        return {};
    }

private:
    // Sizes first, so a chain that can't be laid out is refused untouched.
    Result planPlacements() {
        placements_.resize(image_.modules.size());
        for (std::size_t i = 0; i < image_.modules.size(); ++i) {
            const ModuleEntry& entry = image_.modules[i];
            const ModuleArea& area = areas_[i];
            PlacedArea& placed = placements_[i];
            placed.area = area.compressed ? std::span<const std::uint8_t>(area.encoded)
                                          : std::span<const std::uint8_t>(entry.data).first(hasContents(entry) ? entry.size : 0);
            placed.dataSize =
                placedDataSize(generation_, area.compressed, static_cast<std::uint32_t>(placed.area.size()));
            if (Result r = checkDataArea(entryName(i, entry), generation_, placed.dataSize); !r.ok()) return r;
            placed.size16 = size16Of(placed.dataSize);
            keepAsLoaded(i, area, placed);
            placed.gapAbove = gapAbove(i);
            needed_ += static_cast<std::uint64_t>(placed.gapAbove) + placed.dataSize + prefixSize_ + HeaderSize;
        }
        return {};
    }

    // A module whose new area is the one it was loaded with keeps that
    // area whole, fill bytes and size16 included (which need not be the
    // area's length), as its builder or an earlier tool left them. The list
    // holds the loaded modules first, in chain order.
    void keepAsLoaded(std::size_t index, const ModuleArea& area, PlacedArea& placed) const {
        if (index >= loaded_.blocks.size()) return;
        const ModuleBlock& block = loaded_.blocks[index];
        const auto loaded = std::span<const std::uint8_t>(image_.asRead).subspan(block.dataOffset(), block.dataSize);
        const bool same = area.compressed ? loaded.size() >= placed.area.size() : loaded.size() == placed.area.size();
        if (!same || !std::equal(placed.area.begin(), placed.area.end(), loaded.begin())) return;
        placed.area = loaded;
        placed.dataSize = block.dataSize;
        placed.size16 = block.size16;
    }

    // The 0xFF bytes the loaded chain had between block `index` and the
    // one above it (or the chain's top); kept, as builders align blocks.
    std::uint32_t gapAbove(std::size_t index) const {
        if (index >= loaded_.blocks.size()) return 0;
        const std::uint32_t above = index == 0 ? loaded_.moduleAreaEnd() : loaded_.blocks[index - 1].blockStart();
        return above - loaded_.blocks[index].blockEnd();
    }

    Result checkRoom() const {
        const std::uint32_t room = image_.moduleAreaEnd() - image_.freeStart;
        if (needed_ > room)
            return {Outcome::BadData, "The modules don't fit in the room of the module chain (" + std::to_string(room) +
                                          " bytes from 0x" + hexOffset(image_.freeStart) + " up to 0x" +
                                          hexOffset(image_.moduleAreaEnd()) + "): they need " + std::to_string(needed_) +
                                          " bytes, " + std::to_string(needed_ - room) +
                                          " more than there are; the bytes below are not the chain's"};
        // The stretch grows in whole units and must stay inside the file.
        if (generation_ == DirectoryGeneration::V06xx &&
            !stretchCanCover(image_.directoryOffset, static_cast<std::uint32_t>(image_.moduleAreaEnd() - needed_)))
            return {Outcome::BadData, "The directory checksum can't grow to cover a chain that reaches so low"};
        return {};
    }

    static std::string hexOffset(std::uint32_t offset) { return hexText(offset, 5); }

    void placeModule(ModuleEntry& entry, const PlacedArea& placed) {
        entry.compressed = placedCompressed(entry);
        cursor_ -= placed.gapAbove + placed.dataSize + prefixSize_ + HeaderSize;
        const std::uint32_t header = cursor_ + prefixSize_;
        writeBlock(bytes_, generation_, cursor_, entry, placed.area, {placed.dataSize, placed.size16});
        writeLinkAsRead(bytes_, image_.asRead, linkToFill_, header);
        linkToFill_ = header + NextField;
        placedBlocks_.push_back({cursor_, placed.dataSize});
        entry.size = placed.dataSize;
    }

    // In chain order, so a block whose last partial word reaches into the
    // block above sums over that block's final checksum; the directory comes
    // last, as its stretch may reach down into the blocks. A directory
    // checksum that did not hold in the file, or covers nothing, is left as
    // it was.
    void setChecksums() {
        for (const auto& [start, dataSize] : placedBlocks_)
            setBlockChecksum(bytes_, generation_, start, dataSize + prefixSize_ + HeaderSize);
        if (!image_.directoryChecksumHeld || directoryStretchEmpty(bytes_, image_.directoryOffset)) return;
        if (generation_ == DirectoryGeneration::V06xx) growStretchToCover(bytes_, image_.directoryOffset, cursor_);
        setDirectoryChecksum(bytes_, image_.directoryOffset);
    }

    RomImage& image_;
    const ModuleChain& loaded_;
    std::span<std::uint8_t> bytes_;
    const std::vector<ModuleArea>& areas_;
    DirectoryGeneration generation_;
    std::uint32_t prefixSize_;
    std::vector<PlacedArea> placements_;
    std::uint64_t needed_ = 0;
    std::uint32_t cursor_ = 0;       // start of the block placed last
    std::uint32_t linkToFill_ = 0;   // the directory's firstModule, then the last header's next
    std::vector<std::pair<std::uint32_t, std::uint32_t>> placedBlocks_;  // block start, dataSize
};

}  // namespace

Result placeModuleAreas(RomImage& image, const std::vector<ModuleArea>& areas) {
    const ModuleChain loaded = describeModuleChain(image.asRead);
    if (Result r = checkBeforeRebuild(image, loaded); !r.ok()) return r;
    if (areas.size() != image.modules.size())
        return {Outcome::BadData, "The prepared module areas don't match the module list"};
    return Rebuild(image, loaded, areas).run();
}

Result rebuildImageInPlace(RomImage& image, unsigned threads) {
    const ModuleChain loaded = describeModuleChain(image.asRead);
    if (Result r = checkBeforeRebuild(image, loaded); !r.ok()) return r;
    std::vector<ModuleArea> areas;
    if (Result r = prepareModuleAreas(image.modules, areas, threads); !r.ok()) return r;
    return Rebuild(image, loaded, areas).run();
}

}  // namespace quarnel::image
