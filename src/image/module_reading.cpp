#include "module_reading.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <thread>

#include "lzh/lzh.h"
#include "memory_message.h"
#include "worker_threads.h"

namespace quarnel::image {
namespace {

// Below this many bytes of contents in all, starting threads costs more
// than it saves.
constexpr std::uint64_t ApartFrom = 256u << 10;

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

bool hasContents(const ModuleBlock& block) { return !block.compressed || block.size != NoContents; }

// Every compressed area ends inside its own block, so no module reads the
// bytes of another, erased or not.
bool readableApart(std::span<const std::uint8_t> bytes, const ModuleChain& chain) {
    for (const ModuleBlock& block : chain.blocks) {
        if (!block.compressed || !hasContents(block)) continue;
        const auto header = lzh::readAreaHeader(bytes.subspan(block.dataOffset()));
        if (!header || static_cast<std::uint64_t>(block.dataOffset()) + header->packedSize > block.blockEnd())
            return false;
    }
    return true;
}

unsigned threadsFor(const ModuleChain& chain) {
    std::uint64_t contents = 0;
    for (const ModuleBlock& block : chain.blocks)
        if (hasContents(block)) contents += block.size;
    if (contents < ApartFrom) return 1;
    const unsigned hardware = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::min<std::size_t>(hardware, chain.blocks.size()));
}

void erase(RomImage& image, const ModuleBlock& block) {
    std::fill_n(image.bytes.begin() + block.blockStart(), block.blockLength(), 0xFF);
}

Result keepAsRead(RomImage& image) {
    try {
        image.asRead = image.bytes;
    } catch (const std::bad_alloc&) {
        return notEnoughMemory("a copy of the image as read", image.bytes.size());
    }
    return {};
}

Result readInTurn(RomImage& image, const ModuleChain& chain) {
    if (Result r = keepAsRead(image); !r.ok()) return r;
    for (std::size_t i = 0; i < chain.blocks.size(); ++i) {
        if (Result r = readModule(image.bytes, chain.blocks[i], image.modules[i]); !r.ok()) return r;
        erase(image, chain.blocks[i]);
    }
    return {};
}

// No module reads another's block here, so the blocks are erased, if at
// all, once every module is read. The copy of the image as read that a
// rebuild needs, a megabyte of fresh memory, is made beside the decoding;
// the largest modules are handed out first, so no thread is left with a
// large one at the end.
Result readApart(RomImage& image, const ModuleChain& chain, unsigned threads, LoadFor purpose) {
    const bool forRebuild = purpose == LoadFor::Rebuild;
    if (!forRebuild) image.asRead.swap(image.bytes);
    const std::span<const std::uint8_t> file = forRebuild ? image.bytes : image.asRead;
    Result kept;
    std::vector<Result> results;
    std::vector<std::size_t> order;
    try {
        results.resize(chain.blocks.size());
        order.resize(chain.blocks.size());
    } catch (const std::bad_alloc&) {
        return notEnoughMemory("the list of modules", chain.blocks.size() * sizeof(Result));
    }
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return chain.blocks[a].size > chain.blocks[b].size; });
    std::atomic<std::size_t> next = forRebuild ? 0 : 1;
    const auto work = [&] {
        for (std::size_t k; (k = next++) <= order.size();) {
            if (k == 0) {
                kept = keepAsRead(image);
                continue;
            }
            const std::size_t i = order[k - 1];
            try {
                results[i] = readModule(file, chain.blocks[i], image.modules[i]);
            } catch (const std::bad_alloc&) {
                results[i] = {Outcome::NoMemory, "not enough memory to read the modules"};
            }
        }
    };
    runOnThreads(threads, work);
    if (!kept.ok()) return kept;
    for (const Result& r : results)
        if (!r.ok()) return r;
    if (forRebuild)
        for (const ModuleBlock& block : chain.blocks) erase(image, block);
    return {};
}

}  // namespace

Result readModule(std::span<const std::uint8_t> bytes, const ModuleBlock& block, ModuleEntry& entry) {
    entry.size = block.size;
    entry.moduleId = block.moduleId;
    entry.flags = block.flags;
    entry.subId1 = block.subId1;
    entry.subId2 = block.subId2;
    entry.compressed = block.compressed;
    if (!block.compressed) return copyContents(bytes, block, entry);
    if (block.size != NoContents) return decodeContents(bytes, block, entry);
    return {};
}

Result readModules(RomImage& image, const ModuleChain& chain, LoadFor purpose) {
    try {
        image.modules.resize(chain.blocks.size());
    } catch (const std::bad_alloc&) {
        return notEnoughMemory("the list of modules", chain.blocks.size() * sizeof(ModuleEntry));
    }
    if (!readableApart(image.bytes, chain)) return readInTurn(image, chain);
    return readApart(image, chain, threadsFor(chain), purpose);
}

}  // namespace quarnel::image
