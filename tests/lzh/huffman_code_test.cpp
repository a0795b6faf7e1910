// The codes BuildCode makes: tie rules, length limiting and canonical values.
#include <gtest/gtest.h>

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

std::uint32_t kraftSum(const std::vector<std::uint8_t>& lengths) {
    std::uint32_t sum = 0;
    for (const int len : lengths)
        if (len != 0) sum += 1u << (16 - len);
    return sum;
}

// Equal counts: the entry at the lower heap position leaves first, and the
// first to leave get the longest codes.
TEST(BuildCode, TiesFollowTheHeapOrder) {
    Code code = build({1, 1, 1});
    EXPECT_EQ(code.lengths, (std::vector<std::uint8_t>{2, 1, 2}));
    EXPECT_EQ(code.codes, (std::vector<std::uint16_t>{2, 0, 3}));

    code = build({2, 1, 1, 1});
    EXPECT_EQ(code.lengths, (std::vector<std::uint8_t>{1, 3, 2, 3}));
    EXPECT_EQ(code.codes, (std::vector<std::uint16_t>{0, 6, 2, 7}));
}

TEST(BuildCode, CodesAreCanonicalAndSkipUnusedSymbols) {
    const Code code = build({0, 5, 0, 1, 1, 3});
    EXPECT_EQ(code.root, 6 + 2) << "three merges from node 6 on";
    EXPECT_EQ(code.lengths, (std::vector<std::uint8_t>{0, 1, 0, 3, 3, 2}));
    EXPECT_EQ(code.codes[1], 0b0);
    EXPECT_EQ(code.codes[5], 0b10);
    EXPECT_EQ(code.codes[3], 0b110);
    EXPECT_EQ(code.codes[4], 0b111);
}

TEST(BuildCode, OneSymbolOrNoneGivesNoLengths) {
    Code code = build({0, 0, 7, 0});
    EXPECT_EQ(code.root, 2);
    EXPECT_EQ(code.lengths, (std::vector<std::uint8_t>(4, 0)));
    EXPECT_EQ(code.codes[2], 0);

    code = build({0, 0, 0});
    EXPECT_EQ(code.root, 0);
    EXPECT_EQ(code.lengths, (std::vector<std::uint8_t>(3, 0)));
}

// Counts that grow like the Fibonacci numbers make a tree 19 deep: the
// lengths are cut to 16 and still fill the code space exactly, the rarest
// symbols taking the longest codes.
TEST(BuildCode, LengthsAreLimitedTo16WithAFullCodeSpace) {
    std::vector<std::uint16_t> counts{1, 1};
    while (counts.size() < 20) counts.push_back(static_cast<std::uint16_t>(counts.end()[-1] + counts.end()[-2]));
    const Code code = build(counts);
    EXPECT_EQ(kraftSum(code.lengths), 1u << 16);
    EXPECT_EQ(code.lengths, (std::vector<std::uint8_t>{16, 16, 16, 16, 16, 16, 15, 13, 12, 11, 10, 9, 8, 7, 6, 5,
                                                       4, 3, 2, 1}));
    // Prefix-free: within the code space each code owns its own stretch.
    std::vector<bool> owned(1 << 16);
    for (std::size_t s = 0; s < counts.size(); ++s) {
        const int shift = 16 - code.lengths[s];
        for (std::uint32_t v = std::uint32_t{code.codes[s]} << shift; v < (code.codes[s] + 1u) << shift; ++v) {
            ASSERT_FALSE(owned[v]) << "codes overlap at symbol " << s;
            owned[v] = true;
        }
    }
}

}  // namespace
}  // namespace quarnel::test
