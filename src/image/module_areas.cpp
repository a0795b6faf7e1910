#include "module_areas.h"

#include <algorithm>
#include <new>

#include "hex_text.h"
#include "image_layout.h"
#include "lzh/lzh.h"

namespace quarnel::image {
namespace {

ImageResult checkDecodesBack(const std::string& name, std::span<const std::uint8_t> area,
                             std::span<const std::uint8_t> contents) {
    std::vector<std::uint8_t> decoded;
    try {
        decoded.resize(contents.size());
    } catch (const std::bad_alloc&) {
        return {Outcome::NoMemory, "Not enough memory to allocate buffer"};
    }
    const lzh::LzhDecodeResult result = lzh::LzhDecode(area, decoded);
    if (!result.ok || !std::equal(decoded.begin(), decoded.end(), contents.begin()))
        return {Outcome::BadData, name + ": its new encoding does not decode to its contents"};
    return {};
}

// Room for the largest encoding the encoder may write, and never less than
// the 1 MiB an encoded module may take.
std::size_t encodingRoom(const ModuleEntry& entry) {
    return std::max<std::size_t>(ScratchSize, entry.data.size() + lzh::EncodeOverhead + 3);
}

ImageResult encode(std::size_t index, const ModuleEntry& entry, ModuleArea& area) {
    const std::string name = entryName(index, entry);
    try {
        area.encoded.resize(encodingRoom(entry));
    } catch (const std::bad_alloc&) {
        return {Outcome::NoMemory, "Not enough memory to allocate buffer"};
    }
    const lzh::LzhEncodeResult encoded = lzh::LzhEncode(entry.data, area.encoded);
    if (!encoded.ok) return {Outcome::BadData, name + ": " + encoded.message};
    if (!encoded.complete && !entry.data.empty())
        return {Outcome::BadData, name + ": its contents can't be compressed (the encoding would outgrow them)"};
    area.encoded.resize(encoded.size);
    area.encoded.shrink_to_fit();
    if (ImageResult r = checkDecodesBack(name, area.encoded, entry.data); !r.ok()) return r;
    const std::uint32_t padded = (encoded.size + 3) & ~3u;
    if (padded > ScratchSize)
        return {Outcome::BadData, name + ": its encoded form (" + std::to_string(padded) +
                                      " bytes) exceeds the 1 MiB scratch buffer"};
    return {};
}

}  // namespace

std::string entryName(std::size_t index, const ModuleEntry& entry) {
    return "Module " + std::to_string(index) + " (ID " + hexText(entry.moduleId, 2) + ")";
}

bool placedCompressed(const ModuleEntry& entry) { return entry.compressed && !(entry.flags & KeepStoredFlag); }

ImageResult prepareModuleArea(std::size_t index, const ModuleEntry& entry, ModuleArea& area) {
    area = ModuleArea{};
    area.compressed = placedCompressed(entry);
    if (!area.compressed) return {};
    return encode(index, entry, area);
}

ImageResult prepareModuleAreas(const ModuleList& modules, std::vector<ModuleArea>& areas) {
    try {
        areas.assign(modules.size(), ModuleArea{});
    } catch (const std::bad_alloc&) {
        return {Outcome::NoMemory, "Not enough memory to allocate buffer"};
    }
    for (std::size_t i = 0; i < modules.size(); ++i)
        if (ImageResult r = prepareModuleArea(i, modules[i], areas[i]); !r.ok()) return r;
    return {};
}

}  // namespace quarnel::image
