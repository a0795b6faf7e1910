#include <algorithm>
#include <new>

#include "block_checksum.h"
#include "block_writer.h"
#include "chain_layout.h"
#include "hex_text.h"
#include "image_layout.h"
#include "links.h"
#include "memory_message.h"
#include "module_chain.h"
#include "module_placement.h"

namespace quarnel::image {
namespace {

constexpr std::uint32_t ChainEndLink = 0xFFFFFFFF;

std::uint32_t alignDown(std::uint32_t at) { return at & ~3u; }
std::uint32_t alignUp(std::uint32_t at) { return (at + 3) & ~3u; }

// The chain's free room: the 0xFF bytes where its builder adds a module.
struct FreeRoom {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    ChainDirection direction = ChainDirection::TopDown;
    std::uint32_t size() const { return end - start; }
};

class InPlaceEdit {
public:
    InPlaceEdit(const RomImage& image, const ModuleChain& chain, std::size_t index, const ModuleEntry& entry,
                const ModuleArea& area, std::vector<std::uint8_t>& out)
        : image_(image), chain_(chain), in_(image.asRead), out_(out), index_(index), entry_(entry),
          generation_(chain.generation), prefixSize_(blockPrefixSize(chain.generation)) {
        compressed_ = area.compressed;
        const std::size_t stored = entry.size == NoContents ? 0 : entry.size;
        area_ = area.compressed ? std::span<const std::uint8_t>(area.encoded)
                                : std::span<const std::uint8_t>(entry.data).first(stored);
        const auto length = static_cast<std::uint32_t>(area_.size());
        dataSize_ = placedDataSize(generation_, area.compressed, length);
        newLength_ = dataSize_ + prefixSize_ + HeaderSize;
        for (const ModuleBlock& block : chain.blocks) {
            lowest_ = std::min(lowest_, block.blockStart());
            highestEnd_ = std::max(highestEnd_, block.blockEnd());
        }
        room_ = findFreeRoom();
    }

    Result run(Placement& placement) {
        if (Result r = checkDataArea(name(), generation_, dataSize_); !r.ok()) return r;
        try {
            out_.assign(in_.begin(), in_.end());
            newHeaders_.resize(chain_.blocks.size());
        } catch (const std::bad_alloc&) {
            return notEnoughMemory("a copy of the image", in_.size());
        }
        for (std::size_t i = 0; i < chain_.blocks.size(); ++i) newHeaders_[i] = chain_.blocks[i].headerOffset;
        if (Result r = place(placement); !r.ok()) return r;
        relink();
        return setChecksums();
    }

private:
    bool appending() const { return index_ >= chain_.blocks.size(); }
    const ModuleBlock& old() const { return chain_.blocks[index_]; }
    std::string name() const { return entryName(index_, entry_); }

    Result place(Placement& placement) {
        if (appending()) {
            if (newLength_ > room_.size()) return noRoom(0, 0, nullptr);
            placement = Placement::Appended;
            putBlock(startInRoom(), ChainEndLink);
            return {};
        }
        const ModuleBlock& block = old();
        const std::uint32_t oldNext = readU32(in_, block.headerOffset + NextField);
        if (keepsOldBlock()) {
            placement = Placement::Unchanged;
            return {};
        }
        const std::uint32_t end = block.blockEnd();
        const std::uint32_t roomEnd = end + runOfFFUp(in_, end, limitAbove(end));
        const std::uint32_t inPlace = roomEnd - block.blockStart();
        if (newLength_ <= inPlace) {
            placement = Placement::InPlace;
            erase(block.blockStart(), block.blockEnd());
            putBlock(block.blockStart(), oldNext);
            return {};
        }
        if (newLength_ <= room_.size() && !placedOnPurpose(block)) {
            placement = Placement::Moved;
            erase(block.blockStart(), block.blockEnd());
            putBlock(startInRoom(), oldNext);
            return {};
        }
        const std::uint32_t shift = alignUp(newLength_ - inPlace);
        const SlideCheck check = checkSlide(block, roomEnd);
        if (check.possible && shift <= room_.size()) {
            placement = Placement::Slid;
            slide(block, roomEnd, shift, oldNext);
            return {};
        }
        return noRoom(inPlace, check.possible ? shift : 0, check.fixed);
    }

    // A block identical to the new one, fill bytes included, stays as the
    // builder left it, whatever an earlier tool made of its size16 or fill.
    bool keepsOldBlock() const {
        const ModuleBlock& block = old();
        if (block.flags != entry_.flags || block.moduleId != entry_.moduleId) return false;
        const bool sized = compressed_ ? block.dataSize >= area_.size() : block.dataSize == area_.size();
        return sized && std::equal(area_.begin(), area_.end(), in_.begin() + block.dataOffset());
    }

    // The first byte above `end` that is not free to take: the next block,
    // or the bytes kept below the directory.
    std::uint32_t limitAbove(std::uint32_t end) const {
        const auto fileEnd = static_cast<std::uint32_t>(in_.size());
        std::uint32_t limit = end <= chain_.moduleAreaEnd() ? chain_.moduleAreaEnd() : fileEnd;
        for (const ModuleBlock& block : chain_.blocks)
            if (block.blockStart() >= end) limit = std::min(limit, block.blockStart());
        return limit;
    }

    FreeRoom findFreeRoom() const {
        FreeRoom room;
        room.direction = chainDirection(chain_);
        if (room.direction == ChainDirection::TopDown) {
            const std::uint32_t top = chain_.blocks.empty() ? chain_.moduleAreaEnd() : lowest_;
            room.end = top;
            room.start = top - runOfFFDown(in_, top, linkWindowStart(in_.size()));
        } else {
            room.start = highestEnd_;
            room.end = highestEnd_ + runOfFFUp(in_, highestEnd_, limitAbove(highestEnd_));
        }
        return room;
    }

    // Blocks keep whole words from the room's aligned edge.
    std::uint32_t startInRoom() const {
        if (room_.direction == ChainDirection::TopDown) return std::max(room_.start, alignDown(room_.end - newLength_));
        const std::uint32_t start = alignUp(room_.start);
        return start + newLength_ <= room_.end ? start : room_.start;
    }

    // The span between the block and the free room, which a slide moves:
    // it must hold blocks and 0xFF bytes only, as no byte that is not the
    // chain's may move, and no block its builder placed on purpose.
    std::pair<std::uint32_t, std::uint32_t> spanToSlide(const ModuleBlock& block, std::uint32_t roomEnd) const {
        if (room_.direction == ChainDirection::TopDown) return {room_.end, block.blockStart()};
        return {roomEnd, room_.start};
    }

    struct SlideCheck {
        bool possible = false;
        const ModuleBlock* fixed = nullptr;  // a block the slide would move that its builder placed on purpose
    };

    // Nothing placed on purpose may slide; a top-down slide moves the
    // edited block's start down too.
    SlideCheck checkSlide(const ModuleBlock& block, std::uint32_t roomEnd) const {
        const auto [from, to] = spanToSlide(block, roomEnd);
        if (from > to) return {};
        if (room_.direction == ChainDirection::TopDown && placedOnPurpose(block)) return {false, &block};
        for (std::uint32_t at = from; at < to;) {
            const ModuleBlock* inside = blockAt(at);
            if (inside) {
                if (inside == &block) return {};
                if (placedOnPurpose(*inside)) return {false, inside};
                at = inside->blockEnd();
            } else if (in_[at] == 0xFF) {
                ++at;
            } else {
                return {};
            }
        }
        return {true, nullptr};
    }

    const ModuleBlock* blockAt(std::uint32_t at) const {
        for (const ModuleBlock& block : chain_.blocks)
            if (block.blockStart() <= at && at < block.blockEnd()) return &block;
        return nullptr;
    }

    void slide(const ModuleBlock& block, std::uint32_t roomEnd, std::uint32_t shift, std::uint32_t oldNext) {
        const auto [from, to] = spanToSlide(block, roomEnd);
        const bool up = room_.direction == ChainDirection::BottomUp;
        const std::uint32_t target = up ? from + shift : from - shift;
        std::copy(in_.begin() + from, in_.begin() + to, out_.begin() + target);
        for (std::size_t i = 0; i < chain_.blocks.size(); ++i) {
            const std::uint32_t start = chain_.blocks[i].blockStart();
            if (i != index_ && from <= start && start < to)
                newHeaders_[i] = up ? newHeaders_[i] + shift : newHeaders_[i] - shift;
        }
        // The block keeps its start when the room is above it and grows
        // downwards into the bytes the slid blocks left otherwise.
        const std::uint32_t start = up ? block.blockStart() : block.blockStart() - shift;
        const std::uint32_t end = up ? target : roomEnd;
        erase(start, end);
        putBlock(start, oldNext);
    }

    // A block placed on purpose may only grow where it lies.
    Result noRoom(std::uint32_t inPlace, std::uint32_t shift, const ModuleBlock* fixed) const {
        const bool movable = appending() || !placedOnPurpose(old());
        const std::uint32_t missing =
            shift != 0 ? shift - room_.size() : newLength_ - std::max(inPlace, movable ? room_.size() : 0u);
        std::string where = appending() ? "" : std::to_string(inPlace) + " bytes in its place, ";
        std::string why;
        if (fixed && fixed != &old())
            why = "; a slide would move " + moduleName(*fixed) + ", which its builder placed on purpose";
        else if (!movable)
            why = "; its builder placed it on purpose, so it stays where it lies";
        return {Outcome::BadData,
                name() + ": its new block of " + std::to_string(newLength_) + " bytes fits nowhere (" + where +
                    std::to_string(room_.size()) + " bytes of free room " +
                    (room_.direction == ChainDirection::TopDown ? "below" : "above") + " the chain at 0x" +
                    hexText(room_.start, 5) + "): " + std::to_string(missing) + " bytes are missing" + why};
    }

    void erase(std::uint32_t from, std::uint32_t to) { std::fill(out_.begin() + from, out_.begin() + to, 0xFF); }

    void putBlock(std::uint32_t start, std::uint32_t next) {
        const std::uint32_t header = start + prefixSize_;
        writeBlock(out_, generation_, start, entry_, area_, {dataSize_, size16Of(dataSize_), next});
        editedStart_ = start;
        edited_ = true;
        if (appending()) {
            const std::uint32_t link = chain_.blocks.empty() ? chain_.directoryOffset + FirstModuleField
                                                             : newHeaders_.back() + NextField;
            writeLink(out_, link, header);
        } else {
            newHeaders_[index_] = header;
        }
    }

    // Every header that moved is pointed at where it now lies, from the
    // directory or from the block before it in the chain.
    void relink() {
        for (std::size_t i = 0; i < chain_.blocks.size(); ++i) {
            if (newHeaders_[i] == chain_.blocks[i].headerOffset) continue;
            const std::uint32_t link =
                i == 0 ? chain_.directoryOffset + FirstModuleField : newHeaders_[i - 1] + NextField;
            writeLink(out_, link, newHeaders_[i]);
        }
    }

    struct Checked {
        std::uint32_t start;
        std::uint32_t length;
        bool set;  // the edited block, or one whose checksum held before
    };

    // From the highest block down: a block's last partial word reads the
    // bytes above it, so those are final first. The directory's comes last,
    // as its stretch may reach down into the blocks.
    Result setChecksums() {
        std::vector<Checked> blocks;
        for (std::size_t i = 0; i < chain_.blocks.size(); ++i) {
            const ModuleBlock& block = chain_.blocks[i];
            if (i == index_) continue;
            const bool held = blockChecksumHolds(in_, generation_, block.blockStart(), block.blockLength());
            blocks.push_back({newHeaders_[i] - prefixSize_, block.blockLength(), held});
        }
        if (edited_) blocks.push_back({editedStart_, newLength_, true});
        std::sort(blocks.begin(), blocks.end(), [](const Checked& a, const Checked& b) { return a.start > b.start; });
        for (const Checked& block : blocks)
            if (block.set && !blockChecksumHolds(out_, generation_, block.start, block.length))
                setBlockChecksum(out_, generation_, block.start, block.length);
        if (!image_.directoryChecksumHeld || directoryStretchEmpty(in_, chain_.directoryOffset)) return {};
        if (generation_ == DirectoryGeneration::V06xx) {
            // Sorted from the highest down: the last block is the lowest.
            const std::uint32_t lowest = blocks.empty() ? chain_.directoryOffset : blocks.back().start;
            if (!stretchCanCover(chain_.directoryOffset, lowest))
                return {Outcome::BadData, "The directory checksum can't grow to cover a chain that reaches so low"};
            growStretchToCover(out_, chain_.directoryOffset, lowest);
        }
        setDirectoryChecksum(out_, chain_.directoryOffset);
        return {};
    }

    const RomImage& image_;
    const ModuleChain& chain_;
    std::span<const std::uint8_t> in_;
    std::vector<std::uint8_t>& out_;
    std::size_t index_;
    const ModuleEntry& entry_;
    DirectoryGeneration generation_;
    std::uint32_t prefixSize_;
    std::span<const std::uint8_t> area_;
    bool compressed_ = false;
    std::uint32_t dataSize_ = 0;
    std::uint32_t newLength_ = 0;
    std::uint32_t lowest_ = 0xFFFFFFFF;
    std::uint32_t highestEnd_ = 0;
    FreeRoom room_;
    std::vector<std::uint32_t> newHeaders_;  // per chain block, where its header lies in `out`
    std::uint32_t editedStart_ = 0;
    bool edited_ = false;
};

}  // namespace

const char* placementName(Placement placement) {
    switch (placement) {
    case Placement::Unchanged: return "unchanged";
    case Placement::InPlace: return "in place";
    case Placement::Moved: return "moved into the free room";
    case Placement::Slid: return "grown in place, the blocks above it slid";
    case Placement::Appended: break;
    }
    return "appended in the free room";
}

Result placeModule(const RomImage& image, std::size_t index, const ModuleEntry& entry, const ModuleArea& area,
                   std::vector<std::uint8_t>& out, Placement* placement) {
    if (!image.loaded || image.asRead.empty())
        return {Outcome::NotLoaded, "No image with a module directory is loaded"};
    const ModuleChain chain = describeModuleChain(image.asRead);
    if (!chain.result.ok()) return chain.result;
    if (index >= image.modules.size() || index > chain.blocks.size())
        return {Outcome::BadData, "Module " + std::to_string(index) + " is not in the module list"};
    // Built aside, so a refusal leaves `out` as it was.
    Placement how = Placement::Unchanged;
    std::vector<std::uint8_t> edited;
    if (Result r = InPlaceEdit(image, chain, index, entry, area, edited).run(how); !r.ok()) return r;
    out.swap(edited);
    if (placement) *placement = how;
    return {};
}

Result writeModuleInPlace(const RomImage& image, std::size_t index, std::vector<std::uint8_t>& out, unsigned threads,
                          Placement* placement) {
    if (index >= image.modules.size())
        return {Outcome::BadData, "Module " + std::to_string(index) + " is not in the module list"};
    const lzh::TextBuffer carried = textCarriedTo(image.modules, index);
    ModuleArea area;
    if (Result r = prepareModuleArea(index, image.modules[index], area, threads, &carried); !r.ok()) return r;
    return placeModule(image, index, image.modules[index], area, out, placement);
}

}  // namespace quarnel::image
