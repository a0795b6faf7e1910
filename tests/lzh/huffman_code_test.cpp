// The codes BuildCode makes when the tree grows deeper than 16: limited
// lengths that still fill the code space, and codes that stay prefix-free.
// (Its tie rules decide bytes that the reference comparison and the block
// output's "ababab" stream check.)
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
