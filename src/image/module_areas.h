// The first stage of a rebuild: the data area each module will be placed
// with. A compressed module is encoded anew and its encoding decoded back and
// compared with the contents, so no stream that does not give back its module
// reaches the placement. An area depends on its module alone, so areas can be
// made for several modules at once, and kept across rebuilds that change only
// some modules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "lzh/lzh.h"
#include "rom_image.h"

namespace quarnel::image {

struct ModuleArea {
    bool compressed = false;            // placed as an LZH area; else the contents are placed as they are
    std::vector<std::uint8_t> encoded;  // the LZH area, packedSize bytes, unpadded; empty when stored
};

// Flags bit 6 keeps a module stored, whatever its ID says.
bool placedCompressed(const ModuleEntry& entry);

// The text buffer the encoder starts module `index` from. A ROM builder
// carries its encoder's buffer from one module to the next, so the bytes
// past a short module's end hold what the compressed modules before it in
// list order left there; encoding from that buffer gives back the
// builder's bytes.
lzh::TextBuffer textCarriedTo(const ModuleList& modules, std::size_t index);

// The area of module `index` of the list (the index names it in messages),
// encoded from `startText` (see textCarriedTo; none: zeros). `encodeThreads`
// goes to the encoder (LzhEncodeOptions::threads).
Result prepareModuleArea(std::size_t index, const ModuleEntry& entry, ModuleArea& area,
                         unsigned encodeThreads = 0, const lzh::TextBuffer* startText = nullptr);
// The areas of the whole list, each module encoded from the buffer carried
// to it, made on `threads` threads at once (0: one per hardware thread),
// each module with buffers of its own. The buffers follow from the contents
// alone, so the areas do not depend on the count; the failure returned is
// the first in list order.
Result prepareModuleAreas(const ModuleList& modules, std::vector<ModuleArea>& areas, unsigned threads = 0);

// The second stage: lays the chain out anew from areas prepared for exactly
// this list and sets every checksum, in the image's bytes; nothing is written
// to a file. The image and the list change as rebuildImageInPlace says.
Result placeModuleAreas(RomImage& image, const std::vector<ModuleArea>& areas);

// "Module 3 (ID 11)": how rebuild messages name an entry of the list.
std::string entryName(std::size_t index, const ModuleEntry& entry);

}  // namespace quarnel::image
