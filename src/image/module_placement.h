// An edit of one module in place: the image as it was read, with that one
// module's block written anew and every other byte kept, as far as the
// module lets. Vendors place blocks on purpose (stored code at fixed
// addresses, free room where their builder adds modules), so nothing else
// moves unless the module can't grow without it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "module_areas.h"
#include "rom_image.h"

namespace quarnel::image {

// Where the edited module's block went.
enum class Placement {
    Unchanged,  // its new data area is its old one: the block is kept whole
    InPlace,    // where its old block lay
    Moved,      // alone into the chain's free room
    Slid,       // grown where it lay, the blocks between it and the free room slid toward that room
    Appended,   // a new module, into the chain's free room
};
const char* placementName(Placement placement);

// Module `index` of the list, with the header fields and contents of
// `entry` (the list's own, or an edited copy of it) and the data area made
// from them, put into a copy of the image as read (`out`):
// - unchanged when its new area is its old one, header and fill included;
// - else in its old block's bytes and the 0xFF bytes right above it that no
//   block covers (unused ones become 0xFF);
// - else moved alone into the chain's free room (below the lowest block of a
//   chain laid top-down, above the highest of one laid bottom-up), the link
//   to it following it;
// - else grown where it is, when the free room takes its growth: the blocks
//   between it and that room slide toward it, keeping their bytes;
// - else refused, saying how many bytes are missing.
// A block its builder placed on purpose (chain_layout.h) never moves: as the
// edited one it only stays or grows where it lies, and no slide moves it.
// A module the list appended goes into the free room, after the chain's
// last block. Only the links to moved headers change besides, with the
// checksums of the blocks holding them: every checksum keeps the state it
// had (a block's that held, and the directory's when it held, hold again).
Result placeModule(const RomImage& image, std::size_t index, const ModuleEntry& entry, const ModuleArea& area,
                   std::vector<std::uint8_t>& out, Placement* placement = nullptr);

// Makes module `index`'s data area (encoded from the buffer carried to it)
// and places it.
Result writeModuleInPlace(const RomImage& image, std::size_t index, std::vector<std::uint8_t>& out,
                          unsigned threads = 0, Placement* placement = nullptr);

}  // namespace quarnel::image
