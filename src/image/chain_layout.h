// How a chain's builder laid its blocks out, read from the blocks' places
// alone. Two builders are seen:
// - top-down: the first module's block ends right below the directory and
//   each next one lies below the one before, as the rebuild lays chains;
//   a module added later goes below the lowest block;
// - bottom-up: blocks follow each other upwards (some stored ones first, at
//   fixed places), with free room left between the highest block and the
//   directory, where a module added later goes.
// Either builder places some blocks on purpose: code the board runs from a
// fixed address. Those never move.
#pragma once

#include <cstdint>

#include "module_chain.h"

namespace quarnel::image {

enum class ChainDirection { TopDown, BottomUp };

// The way most of the chain's steps from one block to the next go. A chain
// with as many steps up as down (one block, say) is taken as top-down when
// its highest block ends where the chain's top is, and bottom-up otherwise.
ChainDirection chainDirection(const ModuleChain& chain);

// Each block lies below the one before it and the first ends at the top of
// the chain: the layout the rebuild gives, so rebuilding moves nothing the
// builder placed on purpose.
bool laidOutAsRebuilt(const ModuleChain& chain);

// A block its builder placed on purpose: one flagged so (bit 0x10; the
// stored firmware at fixed addresses carries 0x90), or a stored one whose
// header or data starts on a 4 KiB boundary (the 0x40 and 0x60 modules of
// bottom-up chains). A stored block with neither, such as the 0x80 module
// that closes many chains wherever they end, may move.
bool placedOnPurpose(const ModuleBlock& block);

// The bytes of the 0xFF run that starts at `from` and goes up to `limit` at
// most, or down to `limit` at least.
std::uint32_t runOfFFUp(std::span<const std::uint8_t> bytes, std::uint32_t from, std::uint32_t limit);
std::uint32_t runOfFFDown(std::span<const std::uint8_t> bytes, std::uint32_t from, std::uint32_t limit);

}  // namespace quarnel::image
