// The rebuild lays the module list out again as one chain directly below the
// directory: the first entry becomes the highest block, each next one lies
// right below it, and the module area below the last stays 0xFF. It has two
// stages: every module's data area is made first (module_areas.h: compressed
// modules encoded anew and checked by decoding back), then the areas are
// placed and the checksums set, so no stream that does not give back its
// module reaches the disk.
//
// It works in place on the image and the list: after it, sizes are those of
// the placed data areas and `compressed` is cleared where flags bit 6 is set,
// so the image must be loaded again before a second rebuild. A rebuild that
// fails leaves them half done and writes nothing.
#include <algorithm>

#include "file_io.h"
#include "image_layout.h"
#include "links.h"
#include "module_areas.h"
#include "rom_image.h"

namespace quarnel::image {
namespace {

bool holdsDirectory(const RomImage& image) {
    const auto& bytes = image.bytes;
    return image.loaded && image.fileSize == bytes.size() && image.directoryOffset >= GapBelowDirectory &&
           image.moduleAreaEnd == image.directoryOffset - GapBelowDirectory &&
           static_cast<std::uint64_t>(image.directoryOffset) + DirectoryHeaderSize <= bytes.size() &&
           std::equal(DirectorySignature.begin(), DirectorySignature.end(), bytes.begin() + image.directoryOffset);
}

bool hasContents(const ModuleEntry& entry) { return entry.size != NoContents; }

// Everything that can be known before the image is touched.
ImageResult checkBeforeRebuild(const RomImage& image) {
    if (!holdsDirectory(image)) return {Outcome::NotLoaded, "No image with a module directory is loaded"};
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

class Rebuild {
public:
    Rebuild(RomImage& image, const std::vector<ModuleArea>& areas) : image_(image), bytes_(image.bytes), areas_(areas) {}

    ImageResult run() {
        std::fill_n(bytes_.begin(), image_.moduleAreaEnd, 0xFF);
        cursor_ = image_.moduleAreaEnd;
        linkToFill_ = image_.directoryOffset + FirstModuleField;
        for (std::size_t i = 0; i < image_.modules.size(); ++i)
            if (ImageResult r = placeModule(i, image_.modules[i], areas_[i]); !r.ok()) return r;
        setChecksums();
        return {};
    }

private:
    ImageResult placeModule(std::size_t index, ModuleEntry& entry, const ModuleArea& area) {
        entry.compressed = area.compressed;
        if (entry.size == NoContents) entry.size = 0;
        // A compressed area is padded to whole words with 0xFF; packedSize
        // inside keeps the unpadded length.
        const std::span<const std::uint8_t> placed =
            area.compressed ? std::span<const std::uint8_t>(area.encoded) : std::span(entry.data).first(entry.size);
        entry.size = area.compressed ? (static_cast<std::uint32_t>(placed.size()) + 3) & ~3u : entry.size;
        cursor_ -= static_cast<std::int64_t>(entry.size) + BlockOverhead;
        if (cursor_ < 0)
            return {Outcome::BadData, "The modules don't fit in the module area (" +
                                          std::to_string(image_.moduleAreaEnd) + " bytes below the directory); " +
                                          entryName(index, entry) + " is the first that overflows it"};
        const auto start = static_cast<std::uint32_t>(cursor_);
        std::copy(placed.begin(), placed.end(), bytes_.begin() + start + BlockOverhead);
        writeBlockHead(start, entry);
        writeLink(bytes_, linkToFill_, start + BlockPrefixSize);
        linkToFill_ = start + BlockPrefixSize + NextField;
        blockStarts_.push_back(start);
        return {};
    }

    void writeBlockHead(std::uint32_t start, const ModuleEntry& entry) {
        const std::uint32_t header = start + BlockPrefixSize;
        writeU32(bytes_, start + DataSizeField, entry.size);
        writeU32(bytes_, start + BlockChecksumField, 0);
        writeU32(bytes_, header + NextField, 0xFFFFFFFF);
        writeU16(bytes_, header + Size16Field, entry.size < 0x10000 ? static_cast<std::uint16_t>(entry.size) : 0xFFFF);
        bytes_[header + ModuleIdField] = entry.moduleId;
        bytes_[header + FlagsField] = entry.flags;
        writeU16(bytes_, header + SubId1Field, entry.subId1);
        writeU16(bytes_, header + SubId2Field, entry.subId2);
    }

    // In chain order, so a block whose last partial word reaches into the
    // block above sums over that block's final checksum; the directory comes
    // last, as its stretch may reach down into the blocks.
    void setChecksums() {
        for (const std::uint32_t start : blockStarts_) {
            const std::uint32_t length = readU32(bytes_, start + DataSizeField) + BlockOverhead;
            writeU32(bytes_, start + BlockChecksumField, dwordChecksum(bytes_, start, length));
        }
        const std::uint32_t directory = image_.directoryOffset;
        const std::uint32_t stretch = 8u * readU16(bytes_, directory + ChecksumUnitsField);
        writeU32(bytes_, directory + DirectoryChecksumField, 0);
        writeU32(bytes_, directory + DirectoryChecksumField,
                 dwordChecksum(bytes_, directory + DirectoryHeaderSize - stretch, stretch));
    }

    RomImage& image_;
    std::span<std::uint8_t> bytes_;
    const std::vector<ModuleArea>& areas_;
    std::int64_t cursor_ = 0;        // start of the block placed last
    std::uint32_t linkToFill_ = 0;   // the directory's firstModule, then the last header's next
    std::vector<std::uint32_t> blockStarts_;
};

}  // namespace

ImageResult placeModuleAreas(RomImage& image, const std::vector<ModuleArea>& areas) {
    if (ImageResult r = checkBeforeRebuild(image); !r.ok()) return r;
    if (areas.size() != image.modules.size())
        return {Outcome::BadData, "The prepared module areas don't match the module list"};
    return Rebuild(image, areas).run();
}

ImageResult rebuildImage(RomImage& image, const std::string& fileName, unsigned threads) {
    if (ImageResult r = checkBeforeRebuild(image); !r.ok()) return r;
    std::vector<ModuleArea> areas;
    if (ImageResult r = prepareModuleAreas(image.modules, areas, threads); !r.ok()) return r;
    if (ImageResult r = placeModuleAreas(image, areas); !r.ok()) return r;
    return writeFileAtomically(fileName, image.bytes);
}

}  // namespace quarnel::image
