// The lookup table and tree nodes through which the decoder reads the
// symbols of a canonical prefix code.
//
// A code of up to tableBits bits is found with one look at the table, indexed
// by the next tableBits stream bits. The entry of a longer code's prefix
// holds a tree node (a value at or above the alphabet size); the following
// bits pick treeOne or treeZero until a symbol comes out.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "lzh/codec_state.h"

namespace quarnel::lzh {

inline constexpr int LitLenTableBits = 12;
inline constexpr int SmallTableBits = 8;

// Why a stream was refused; empty when it was not.
using DecodeFailure = std::string_view;

struct DecodeTree {
    std::array<std::uint16_t, TreeNodeCount>& treeZero;
    std::array<std::uint16_t, TreeNodeCount>& treeOne;
};

// Fills `table` (2^tableBits entries) and the tree nodes from the code lengths
// of `symbolCount` symbols. Refuses lengths that do not fill the code space
// exactly once: the table would then leave slots without a symbol.
DecodeFailure BuildDecodeTable(int symbolCount, std::span<const std::uint8_t> lengths, int tableBits,
                               std::span<std::uint16_t> table, DecodeTree tree);

// The code length of each table entry's symbol, 0 for the roots of longer
// codes: a decoder then finds symbol and length side by side instead of one
// after the other.
void FillLookupLengths(int symbolCount, std::span<const std::uint8_t> lengths, std::span<const std::uint16_t> table,
                       std::span<std::uint8_t> tableLengths);

}  // namespace quarnel::lzh
