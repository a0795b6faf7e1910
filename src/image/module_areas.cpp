#include "module_areas.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <thread>

#include "hex_text.h"
#include "image_layout.h"
#include "lzh/lzh.h"
#include "memory_message.h"
#include "worker_threads.h"

namespace quarnel::image {
namespace {

Result checkDecodesBack(const std::string& name, std::span<const std::uint8_t> area,
                        std::span<const std::uint8_t> contents) {
    std::vector<std::uint8_t> decoded;
    try {
        decoded.resize(contents.size());
    } catch (const std::bad_alloc&) {
        return notEnoughMemory("checking the new encoding of " + name, contents.size());
    }
    const Result result = lzh::LzhDecode(area, decoded);
    if (!result.ok() || !std::equal(decoded.begin(), decoded.end(), contents.begin()))
        return {Outcome::BadData, name + ": its new encoding does not decode to its contents"};
    return {};
}

// Room for the largest encoding the encoder may write: it stops before its
// stream outgrows the input, so a small module needs a small buffer, not the
// 1 MiB limit on an encoded module (checked below).
std::size_t encodingRoom(const ModuleEntry& entry) { return entry.data.size() + lzh::EncodeOverhead + 3; }

Result encode(std::size_t index, const ModuleEntry& entry, ModuleArea& area, unsigned threads,
              const lzh::TextBuffer* startText) {
    const std::string name = entryName(index, entry);
    try {
        area.encoded.resize(encodingRoom(entry));
    } catch (const std::bad_alloc&) {
        return notEnoughMemory("encoding " + name, encodingRoom(entry));
    }
    lzh::LzhEncodeOptions options;
    options.threads = threads;
    options.startText = startText;
    lzh::LzhEncoded encoded;
    if (Result r = lzh::LzhEncode(entry.data, area.encoded, encoded, options); !r.ok())
        return {r.outcome, name + ": " + r.message};
    if (!encoded.complete && !entry.data.empty())
        return {Outcome::BadData, name + ": its contents can't be compressed (the encoding would outgrow them)"};
    area.encoded.resize(encoded.size);
    area.encoded.shrink_to_fit();
    if (Result r = checkDecodesBack(name, area.encoded, entry.data); !r.ok()) return r;
    const std::uint32_t padded = (encoded.size + 3) & ~3u;
    if (padded > ScratchSize)
        return {Outcome::BadData, name + ": its encoded form (" + std::to_string(padded) +
                                      " bytes) exceeds the 1 MiB scratch buffer"};
    return {};
}

// The buffer the encoding of `entry`, if it is encoded, leaves behind.
void carryPast(lzh::TextBuffer& text, const ModuleEntry& entry) {
    if (placedCompressed(entry) && entry.size != NoContents) lzh::CarryText(text, entry.data);
}

}  // namespace

std::string entryName(std::size_t index, const ModuleEntry& entry) {
    return "Module " + std::to_string(index) + " (ID " + hexText(entry.moduleId, 2) + ")";
}

bool placedCompressed(const ModuleEntry& entry) { return entry.compressed && !(entry.flags & KeepStoredFlag); }

lzh::TextBuffer textCarriedTo(const ModuleList& modules, std::size_t index) {
    lzh::TextBuffer text{};
    for (std::size_t i = 0; i < index && i < modules.size(); ++i) carryPast(text, modules[i]);
    return text;
}

Result prepareModuleArea(std::size_t index, const ModuleEntry& entry, ModuleArea& area,
                         unsigned encodeThreads, const lzh::TextBuffer* startText) {
    area = ModuleArea{};
    area.compressed = placedCompressed(entry);
    if (!area.compressed) return {};
    return encode(index, entry, area, encodeThreads, startText);
}

Result prepareModuleAreas(const ModuleList& modules, std::vector<ModuleArea>& areas, unsigned threads) {
    std::vector<Result> results;
    std::vector<lzh::TextBuffer> carried;
    try {
        areas.assign(modules.size(), ModuleArea{});
        results.assign(modules.size(), Result{});
        carried.resize(modules.size());
    } catch (const std::bad_alloc&) {
        return notEnoughMemory("the list of module areas", modules.size() * sizeof(ModuleArea));
    }
    // Each module's buffer follows from the one before it, without encoding.
    lzh::TextBuffer text{};
    for (std::size_t i = 0; i < modules.size(); ++i) {
        carried[i] = text;
        carryPast(text, modules[i]);
    }
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    const auto workers = static_cast<unsigned>(std::min<std::size_t>(threads, modules.size()));
    if (workers <= 1) {
        // One after the other, with every thread for each module's encoding.
        for (std::size_t i = 0; i < modules.size(); ++i)
            if (Result r = prepareModuleArea(i, modules[i], areas[i], threads, &carried[i]); !r.ok()) return r;
        return {};
    }
    // Modules are handed out in list order; each worker writes only the
    // areas and results of the modules it took.
    std::atomic<std::size_t> next = 0;
    const auto work = [&] {
        for (std::size_t i; (i = next++) < modules.size();) {
            try {
                results[i] = prepareModuleArea(i, modules[i], areas[i], 1, &carried[i]);
            } catch (const std::bad_alloc&) {
                results[i] = notEnoughMemory("encoding " + entryName(i, modules[i]), encodingRoom(modules[i]));
            }
        }
    };
    runOnThreads(workers, work);
    for (const Result& r : results)
        if (!r.ok()) return r;
    return {};
}

}  // namespace quarnel::image
