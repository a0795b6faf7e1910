#include "module_chain.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <string_view>

#include "hex_text.h"
#include "image_layout.h"
#include "links.h"
#include "lzh/lzh.h"

namespace quarnel::image {

std::uint32_t ModuleBlock::blockStart() const { return headerOffset - prefixSize; }
std::uint32_t ModuleBlock::blockLength() const { return dataSize + prefixSize + HeaderSize; }
std::uint32_t ModuleBlock::dataOffset() const { return headerOffset + HeaderSize; }

std::string noDirectoryMessage(const std::string& fileName) {
    return "No AMIBIOSC module directory in " + fileName;
}

std::string moduleName(const ModuleBlock& block) {
    return "Module " + std::to_string(block.index) + " (ID " + hexText(block.moduleId, 2) + ", header at 0x" +
           hexText(block.headerOffset, 5) + ")";
}

std::uint32_t ModuleChain::moduleAreaEnd() const { return directoryOffset - gapBelowDirectory(generation); }

std::uint32_t ModuleChain::lowestBlockStart() const {
    std::uint32_t lowest = moduleAreaEnd();
    for (const ModuleBlock& block : blocks) lowest = std::min(lowest, block.blockStart());
    return lowest;
}

std::uint32_t linkWindowStart(std::size_t fileSize) {
    return fileSize > LinkWindow ? static_cast<std::uint32_t>(fileSize - LinkWindow) : 0;
}

std::optional<std::uint32_t> findDirectory(std::span<const std::uint8_t> bytes) {
    if (bytes.size() <= DirectoryHeaderSize) return std::nullopt;
    // Signatures starting in the last 22 bytes are not tried.
    const std::uint32_t from = linkWindowStart(bytes.size());
    const auto searched = bytes.subspan(from, bytes.size() - from - DirectoryHeaderSize - 1 + DirectorySignature.size());
    // The string search finds the first byte with memchr, far faster over a
    // megabyte of code than a byte-wise comparison.
    const std::string_view text(reinterpret_cast<const char*>(searched.data()), searched.size());
    const std::string_view signature(reinterpret_cast<const char*>(DirectorySignature.data()), DirectorySignature.size());
    const std::size_t found = text.find(signature);
    if (found == std::string_view::npos) return std::nullopt;
    return from + static_cast<std::uint32_t>(found);
}

namespace {

Result corrupt(const std::string& what) { return {Outcome::BadData, "Corrupt module chain: " + what}; }

class ChainWalk {
public:
    ChainWalk(std::span<const std::uint8_t> bytes, std::uint32_t directoryOffset, DirectoryGeneration generation)
        : bytes_(bytes), directoryOffset_(directoryOffset), generation_(generation),
          prefixSize_(blockPrefixSize(generation)) {}

    Result walk(std::vector<ModuleBlock>& blocks) {
        LinkTarget link = readLink(bytes_, directoryOffset_ + FirstModuleField);
        while (!link.endsChain()) {
            ModuleBlock block;
            block.index = static_cast<std::uint32_t>(blocks.size());
            if (Result r = readBlock(link, block); !r.ok()) return r;
            blocks.push_back(block);
            link = readLink(bytes_, block.headerOffset + NextField);
        }
        return {};
    }

private:
    Result readBlock(const LinkTarget& link, ModuleBlock& block) {
        const std::string index = "Module " + std::to_string(block.index);
        if (link.fileOffset < prefixSize_ || link.fileOffset + HeaderSize > static_cast<std::int64_t>(fileSize()))
            return corrupt(index + ": the link to its header (linear address 0x" + hexText(link.linear, 5) +
                           ") points outside the file");
        if (link.fileOffset - prefixSize_ < linkWindowStart(fileSize()))
            return corrupt(index + ": its block (linear address 0x" + hexText(link.linear, 5) +
                           ") would begin below the top 1 MiB of the file, which links can't address");
        block.headerOffset = static_cast<std::uint32_t>(link.fileOffset);
        block.prefixSize = prefixSize_;
        readHeader(block);
        const std::string name = moduleName(block);
        if (static_cast<std::uint64_t>(block.dataOffset()) + block.dataSize > fileSize())
            return corrupt(name + ": its dataSize 0x" + hexText(block.dataSize, 8) + " reaches beyond the end of the file");
        if (Result r = claimBlock(block, name); !r.ok()) return r;
        block.size = block.dataSize;
        if (block.compressed) return readAreaSizes(block, name);
        return {};
    }

    void readHeader(ModuleBlock& block) const {
        const std::uint32_t header = block.headerOffset;
        block.size16 = readU16(bytes_, header + Size16Field);
        block.dataSize = prefixSize_ == 0 ? block.size16 : readU32(bytes_, block.blockStart() + DataSizeField);
        block.moduleId = bytes_[header + ModuleIdField];
        block.flags = bytes_[header + FlagsField];
        block.subId1 = readU16(bytes_, header + SubId1Field);
        block.subId2 = readU16(bytes_, header + SubId2Field);
        block.compressed = isCompressedModule(block.moduleId, block.flags);
    }

    // Loading erases every block it reads, so blocks must not share a byte
    // with each other or with the directory and the bytes kept below it.
    Result claimBlock(const ModuleBlock& block, const std::string& name) {
        const std::uint32_t start = block.blockStart();
        const std::uint32_t end = start + block.blockLength();
        const std::uint32_t gap = gapBelowDirectory(generation_);
        if (start < directoryOffset_ + DirectoryHeaderSize && end > directoryOffset_ - gap)
            return corrupt(name + (gap ? ": its block overlaps the module directory or the 10 bytes below it"
                                       : ": its block overlaps the module directory"));
        auto above = claimed_.upper_bound(start);
        if (above != claimed_.end() && above->first < end) return overlapWith(block, name, above->second);
        if (above != claimed_.begin()) {
            const auto below = std::prev(above);
            if (below->second.end > start) return overlapWith(block, name, below->second);
        }
        claimed_.emplace(start, Claim{end, block.index, block.headerOffset});
        return {};
    }

    struct Claim {
        std::uint32_t end;
        std::uint32_t index;
        std::uint32_t headerOffset;
    };

    static Result overlapWith(const ModuleBlock& block, const std::string& name, const Claim& other) {
        if (other.headerOffset == block.headerOffset)
            return corrupt(name + ": the chain comes back to module " + std::to_string(other.index));
        return corrupt(name + ": its block overlaps that of module " + std::to_string(other.index));
    }

    Result readAreaSizes(ModuleBlock& block, const std::string& name) {
        const std::uint32_t area = block.dataOffset();
        const auto header = lzh::readAreaHeader(bytes_.subspan(area));
        if (!header) return corrupt(name + ": its compressed sizes lie beyond the end of the file");
        block.size = header->unpackedSize;
        if (block.size == NoContents) return {};
        if (block.size > MaxModuleContents)
            return corrupt(name + ": its unpackedSize 0x" + hexText(block.size, 8) +
                           " is beyond any real module (at most 16 MiB)");
        totalContents_ += block.size;
        if (totalContents_ > MaxChainContents)
            return corrupt(name + ": the modules so far unpack to more than 64 MiB in all");
        if (header->packedSize < lzh::AreaHeaderSize)
            return corrupt(name + ": its packedSize 0x" + hexText(header->packedSize, 8) +
                           " is smaller than its own 8-byte sizes");
        if (static_cast<std::uint64_t>(area) + header->packedSize > fileSize())
            return corrupt(name + ": its packedSize 0x" + hexText(header->packedSize, 8) +
                           " reaches beyond the end of the file");
        return {};
    }

    std::uint64_t fileSize() const { return bytes_.size(); }

    std::span<const std::uint8_t> bytes_;
    std::uint32_t directoryOffset_;
    DirectoryGeneration generation_;
    std::uint32_t prefixSize_;
    std::map<std::uint32_t, Claim> claimed_;  // block start -> block
    std::uint64_t totalContents_ = 0;
};

}  // namespace

ModuleChain describeModuleChain(std::span<const std::uint8_t> bytes) {
    ModuleChain chain;
    if (bytes.size() > MaxImageSize) {
        chain.result = {Outcome::BadData, "The image is " + std::to_string(bytes.size()) +
                                              " bytes long; BIOS images are at most 16 MiB (16777216 bytes)"};
        return chain;
    }
    const auto directory = findDirectory(bytes);
    if (!directory) {
        chain.result = {Outcome::NoDirectory, noDirectoryMessage("the image")};
        return chain;
    }
    const DirectoryVersion version = readDirectoryVersion(bytes, *directory);
    chain.directoryVersion = version.text;
    chain.generation = version.generation;
    const std::uint32_t gap = gapBelowDirectory(version.generation);
    const std::uint32_t window = linkWindowStart(bytes.size());
    if (*directory - window < std::max<std::uint32_t>(gap, 1)) {
        chain.result = {Outcome::BadData, "The AMIBIOSC directory lies only " + std::to_string(*directory - window) +
                                              (window ? " bytes into the top 1 MiB of the file" : " bytes into the file") +
                                              ", which leaves no module area below it"};
        return chain;
    }
    chain.directoryOffset = *directory;
    chain.result = ChainWalk(bytes, *directory, version.generation).walk(chain.blocks);
    return chain;
}

}  // namespace quarnel::image
