// Reading a walked chain's modules into the list: stored contents copied,
// compressed ones decoded, and, for a rebuild, every block erased to 0xFF
// once read. Decoding is most of a load's work, so a chain whose modules can
// be read apart is decoded on several threads.
#pragma once

#include "module_chain.h"
#include "rom_image.h"

namespace quarnel::image {

// Keeps the file (image.bytes) as read in image.asRead and fills
// image.modules from `chain`, walked over it. For a rebuild, image.bytes
// keeps the file with its blocks erased; for an edit in place it ends empty,
// the file moved rather than copied.
// Each block is read as the file holds it, but a compressed area that runs
// past its own block reads the blocks before it in the chain already
// erased, so such a chain is read one module after the other, as for a
// rebuild. The list and the bytes come out the same for every thread count;
// the failure returned is the first in chain order.
Result readModules(RomImage& image, const ModuleChain& chain, LoadFor purpose);

// One module's header fields and contents, read from the file as it holds it.
Result readModule(std::span<const std::uint8_t> bytes, const ModuleBlock& block, ModuleEntry& entry);

}  // namespace quarnel::image
