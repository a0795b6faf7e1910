// The codes BuildCode makes: tie rules, length limiting and canonical values.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "lzh/huffman_code.h"

namespace quarnel::test {
namespace {

struct Code {
    int root = 0;
    std::vector<std::uint8_t> lengths;
    std::vector<std::uint16_t> codes;
};

Code build(const std::vector<std::uint16_t>& counts) {
    const int n = static_cast<int>(counts.size());
    std::vector<std::uint16_t> freq(counts);
    freq.resize(2 * n - 1);
    Code code{0, std::vector<std::uint8_t>(n, 0xFF), std::vector<std::uint16_t>(n, 0xFFFF)};
    lzh::LzhCodecState codec;
    code.root = lzh::BuildCode(n, freq, code.lengths, code.codes, codec);
    return code;
}

// Equal counts: the entry at the lower heap position leaves first, and the
// first to leave get the longest codes. Codes are canonical; unused symbols,
// and a code of one symbol or none, get no length. The root is the last node
// merged, or the one symbol.
TEST(BuildCode, TiesCanonicalValuesAndDegenerateCodes) {
    const struct {
        std::vector<std::uint16_t> counts;
        int root;
        std::vector<std::uint8_t> lengths;
        std::vector<std::uint16_t> codes;  // compared where there is a length
    } cases[] = {
        {{1, 1, 1}, 4, {2, 1, 2}, {2, 0, 3}},
        {{2, 1, 1, 1}, 6, {1, 3, 2, 3}, {0, 6, 2, 7}},
        {{0, 5, 0, 1, 1, 3}, 8, {0, 1, 0, 3, 3, 2}, {0, 0, 0, 0b110, 0b111, 0b10}},
        {{0, 0, 7, 0}, 2, {0, 0, 0, 0}, {}},
        {{0, 0, 0}, 0, {0, 0, 0}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.counts));
        const Code code = build(c.counts);
        EXPECT_EQ(code.root, c.root);
        EXPECT_EQ(code.lengths, c.lengths);
        for (std::size_t s = 0; s < c.codes.size(); ++s)
            if (c.lengths[s] != 0) {
                EXPECT_EQ(code.codes[s], c.codes[s]) << "symbol " << s;
            }
    }
}

// Counts that grow like the Fibonacci numbers make a tree 19 deep: the
// lengths are cut to 16 and still fill the code space exactly, the rarest
// symbols taking the longest codes.
TEST(BuildCode, LengthsAreLimitedTo16WithAFullCodeSpace) {
    std::vector<std::uint16_t> counts{1, 1};
    while (counts.size() < 20) counts.push_back(static_cast<std::uint16_t>(counts.end()[-1] + counts.end()[-2]));
    const Code code = build(counts);
    EXPECT_EQ(code.lengths, (std::vector<std::uint8_t>{16, 16, 16, 16, 16, 16, 15, 13, 12, 11, 10, 9, 8, 7, 6, 5,
                                                       4, 3, 2, 1}));
    // Prefix-free and filling the code space: each code owns its own stretch.
    std::vector<bool> owned(1 << 16);
    for (std::size_t s = 0; s < counts.size(); ++s) {
        const int shift = 16 - code.lengths[s];
        for (std::uint32_t v = std::uint32_t{code.codes[s]} << shift; v < (code.codes[s] + 1u) << shift; ++v) {
            ASSERT_FALSE(owned[v]) << "codes overlap at symbol " << s;
            owned[v] = true;
        }
    }
    EXPECT_EQ(std::count(owned.begin(), owned.end(), true), 1 << 16);
}

}  // namespace
}  // namespace quarnel::test
