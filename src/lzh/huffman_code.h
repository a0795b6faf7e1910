// Huffman codes for one block: lengths of at most 16 bits, canonical code
// values. The choices here (heap order, tie rules, which symbols get the
// longest codes when lengths are limited) decide the encoder's exact bytes.
#pragma once

#include <cstdint>
#include <span>

#include "codec_state.h"

namespace quarnel::lzh {

// Makes a code for the n symbols counted in freq[0..n-1]; freq must hold
// 2n - 1 entries, the inner nodes' sums go behind the counts. Fills
// lengths[0..n-1] and codes[0..n-1] (right-aligned) and the codec's tree
// nodes, and returns the root: a node number of n or more, or the only
// symbol (0 when none occurs), whose length then stays 0.
int BuildCode(int n, std::span<std::uint16_t> freq, std::span<std::uint8_t> lengths,
              std::span<std::uint16_t> codes, LzhCodecState& codec);

}  // namespace quarnel::lzh
