#include <algorithm>
#include <new>

#include "hex_text.h"
#include "image_layout.h"
#include "memory_message.h"
#include "rom_image.h"

namespace quarnel::image {
namespace {

template <typename List>
auto findEntry(List& modules, std::uint8_t moduleId, std::uint16_t subId2, std::uint16_t subId1) {
    const auto found = std::find_if(modules.begin(), modules.end(), [&](const ModuleEntry& entry) {
        return entry.moduleId == moduleId && entry.subId1 == subId1 && entry.subId2 == subId2;
    });
    return found == modules.end() ? nullptr : &*found;
}

}  // namespace

const ModuleEntry* findModule(const RomImage& image, std::uint8_t moduleId, std::uint16_t subId2,
                              std::uint16_t subId1) {
    return findEntry(image.modules, moduleId, subId2, subId1);
}

Result replaceModule(RomImage& image, std::uint8_t moduleId, std::uint16_t subId2, std::uint16_t subId1,
                     std::uint8_t flags, std::span<const std::uint8_t> contents) {
    if (!image.loaded) return {Outcome::NotLoaded, "No image loaded"};
    ModuleEntry* entry = findEntry(image.modules, moduleId, subId2, subId1);
    const bool appending = entry == nullptr;
    // The copy is made before the old contents go, so `contents` may even be
    // the module's own buffer.
    std::vector<std::uint8_t> copy;
    try {
        copy.assign(contents.begin(), contents.end());
    } catch (const std::bad_alloc&) {
        return notEnoughMemory("the new contents of module ID " + hexText(moduleId, 2), contents.size());
    }
    if (appending) {
        ModuleEntry appended;
        appended.moduleId = moduleId;
        appended.subId1 = subId1;
        appended.subId2 = subId2;
        // Compressed by the rule the loader applies to the flags and the ID,
        // so a reload of the rebuilt image reads the module back the same way.
        appended.compressed = isCompressedModule(moduleId, flags);
        try {
            entry = &image.modules.emplace_back(std::move(appended));
        } catch (const std::bad_alloc&) {
            return notEnoughMemory("the list of modules", (image.modules.size() + 1) * sizeof(ModuleEntry));
        }
    }
    entry->flags = flags;
    entry->data = std::move(copy);
    entry->size = static_cast<std::uint32_t>(entry->data.size());
    return {};
}

}  // namespace quarnel::image
