#include "lzh/decode_table.h"

#include <algorithm>

namespace quarnel::lzh {
namespace {

constexpr std::uint32_t CodeSpace = 1u << MaxCodeLength;

using PerLength = std::array<std::uint32_t, MaxCodeLength + 2>;  // indexed by code length 1 to 16 (17: the end)

// The code space each length takes, summed in 32 bits: the stream's own check
// looks at the low 16 bits only, which also pass for a table of nothing but
// zero lengths or one that fills the space twice over.
DecodeFailure checkCodeSpace(const PerLength& count) {
    std::uint32_t used = 0;
    for (int len = 1; len <= MaxCodeLength; ++len) used += count[len] << (MaxCodeLength - len);
    if ((used & 0xFFFF) != 0) return "Bad table";
    if (used != CodeSpace) return "Bad table: the code lengths do not fill the code space exactly once";
    return {};
}

}  // namespace

DecodeFailure BuildDecodeTable(int symbolCount, std::span<const std::uint8_t> lengths, int tableBits,
                               std::span<std::uint16_t> table, DecodeTree tree) {
    PerLength count{};
    for (int symbol = 0; symbol < symbolCount; ++symbol) ++count[lengths[symbol]];
    count[0] = 0;
    if (DecodeFailure failure = checkCodeSpace(count); !failure.empty()) return failure;

    // The first code of each length, left-aligned in 16 bits; codes of up to
    // tableBits bits are then counted in table entries.
    PerLength start{};
    for (int len = 1; len <= MaxCodeLength; ++len) start[len + 1] = start[len] + (count[len] << (MaxCodeLength - len));
    const int shift = MaxCodeLength - tableBits;
    PerLength weight{};
    for (int len = 1; len <= tableBits; ++len) {
        start[len] >>= shift;
        weight[len] = 1u << (tableBits - len);
    }
    for (int len = tableBits + 1; len <= MaxCodeLength; ++len) weight[len] = 1u << (MaxCodeLength - len);

    // Entries behind the short codes become the roots of the longer ones.
    const std::uint32_t shortCodeEntries = start[tableBits + 1] >> shift;
    std::fill(table.begin() + shortCodeEntries, table.end(), std::uint16_t{0});

    std::uint32_t nextNode = symbolCount;
    const std::uint32_t bitMask = 1u << (15 - tableBits);
    for (int symbol = 0; symbol < symbolCount; ++symbol) {
        const int len = lengths[symbol];
        if (len == 0) continue;
        const std::uint32_t next = start[len] + weight[len];
        if (len <= tableBits) {
            std::fill(table.begin() + start[len], table.begin() + next, static_cast<std::uint16_t>(symbol));
        } else {
            std::uint32_t code = start[len];
            std::uint16_t* slot = &table[code >> shift];
            for (int step = len - tableBits; step > 0; --step) {
                if (*slot == 0) {
                    if (nextNode >= TreeNodeCount) return "Bad table: the code needs more tree nodes than there are";
                    tree.treeZero[nextNode] = 0;
                    tree.treeOne[nextNode] = 0;
                    *slot = static_cast<std::uint16_t>(nextNode++);
                }
                slot = (code & bitMask) ? &tree.treeOne[*slot] : &tree.treeZero[*slot];
                code = (code << 1) & 0xFFFF;
            }
            *slot = static_cast<std::uint16_t>(symbol);
        }
        start[len] = next;
    }
    return {};
}

void FillLookupLengths(int symbolCount, std::span<const std::uint8_t> lengths, std::span<const std::uint16_t> table,
                       std::span<std::uint8_t> tableLengths) {
    for (std::size_t i = 0; i < table.size(); ++i)
        tableLengths[i] = table[i] < symbolCount ? lengths[table[i]] : 0;
}

}  // namespace quarnel::lzh
