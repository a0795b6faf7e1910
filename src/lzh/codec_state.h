// The fields that the decoder and the encoder both keep: the code lengths of
// the three codes, the tree nodes behind them, and the stream counters. Each
// codec object owns one; nothing passes between calls through it.
#pragma once

#include <array>
#include <cstdint>

#include "lzh.h"

namespace quarnel::lzh {

// 2 x LitLenSymbols - 1: enough inner nodes for the largest code.
inline constexpr int TreeNodeCount = 2 * LitLenSymbols - 1;

struct LzhCodecState {
    std::int32_t bitCount = 0;
    std::uint32_t packedBytes = 0;
    std::uint32_t unpackedSize = 0;
    std::array<std::uint8_t, LitLenSymbols> litLenLengths{};
    std::array<std::uint8_t, LenCodeSymbols> smallLengths{};  // the length code, later the position code
    std::array<std::uint16_t, TreeNodeCount> treeZero{};      // child taken on a 0 bit
    std::array<std::uint16_t, TreeNodeCount> treeOne{};       // child taken on a 1 bit
};

}  // namespace quarnel::lzh
