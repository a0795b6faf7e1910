// The blocks the block output writes: their forms, where they are cut, and
// how runs of zero code lengths are sent.
#include <gtest/gtest.h>

#include <memory>

#include "lzh/block_output.h"
#include "lzh/encode_inputs.h"
#include "lzh/lzh.h"
#include "support/lh5_stream_writer.h"

namespace quarnel::test {
namespace {

// A block output with room enough that the output limit never bites.
struct Output {
    lzh::LzhCodecState codec;
    Bytes stream = Bytes(1 << 16);
    std::unique_ptr<lzh::BlockOutput> out;

    Output() {
        codec.unpackedSize = static_cast<std::uint32_t>(stream.size());
        out = std::make_unique<lzh::BlockOutput>(codec, stream.data());
    }
    void literals(int byte, int count) {
        for (int i = 0; i < count; ++i) out->PutItem(byte, 0);
    }
    Bytes finish() {
        out->FinishBlockOutput();
        EXPECT_FALSE(out->unpackable());
        return Bytes(stream.begin(), stream.begin() + codec.packedBytes);
    }
};

class BitReader {
public:
    explicit BitReader(const Bytes& bytes) : bytes_(bytes) {}
    std::uint32_t read(int n) {
        std::uint32_t value = 0;
        for (int i = 0; i < n; ++i, ++bit_) {
            const std::uint8_t byte = bit_ / 8 < bytes_.size() ? bytes_[bit_ / 8] : 0;
            value = value << 1 | ((byte >> (7 - bit_ % 8)) & 1);
        }
        return value;
    }

private:
    const Bytes& bytes_;
    std::size_t bit_ = 0;
};

// The lengths of a block header's length code, the zero-run field behind
// the third one skipping those it covers.
std::vector<std::uint8_t> readLengthCodeLengths(BitReader& bits) {
    std::vector<std::uint8_t> lengths(lzh::LenCodeSymbols);
    const int n = static_cast<int>(bits.read(5));
    EXPECT_NE(n, 0) << "expected a length code of two symbols or more";
    for (int i = 0; i < n;) {
        int len = static_cast<int>(bits.read(3));
        if (len == 7)
            while (bits.read(1)) ++len;
        lengths[i++] = static_cast<std::uint8_t>(len);
        if (i == 3) i += static_cast<int>(bits.read(2));
    }
    return lengths;
}

// A length-code symbol with its extra bits, as sent in the literal/length table.
struct Step {
    int symbol;
    int extra = -1;
    bool operator==(const Step&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Step& step) {
    return out << "symbol " << step.symbol << " extra " << step.extra;
}

std::vector<Step> readLitLenSteps(BitReader& bits, const CanonicalCode& lengthCode, int& n) {
    n = static_cast<int>(bits.read(9));
    std::vector<Step> steps;
    for (int i = 0; i < n;) {
        Step step{lengthCode.read(bits)};
        if (step.symbol < 0) {
            ADD_FAILURE() << "no length-code symbol";
            break;
        }
        if (step.symbol == 0) i += 1;
        if (step.symbol == 1) i += 3 + (step.extra = static_cast<int>(bits.read(4)));
        if (step.symbol == 2) i += 20 + (step.extra = static_cast<int>(bits.read(9)));
        if (step.symbol > 2) ++i;
        steps.push_back(step);
    }
    return steps;
}

// The items of "ababab": a, b, and a match of 4 at d = 1. The format's own
// example of these items (00 03 28 04 4A 04 26 D9 15 80 AC) gives a the
// 1-bit code; the heap hands it to b instead: a, b and the match all occur
// once, a leaves the heap first and the match with it, so those two get the
// longer codes. Only bits 57-60 and 81-85 differ.
TEST(BlockOutput, EqualCountsGiveTheFirstSymbolTheLongerCode) {
    Output output;
    output.out->PutItem('a', 0);
    output.out->PutItem('b', 0);
    output.out->PutItem(257, 1);
    const Bytes stream = output.finish();
    EXPECT_EQ(stream, (Bytes{0x00, 0x03, 0x28, 0x04, 0x4A, 0x04, 0x26, 0xF1, 0x15, 0x80, 0xCC}));

    Bytes area{19, 0, 0, 0, 6, 0, 0, 0};
    area.insert(area.end(), stream.begin(), stream.end());
    Bytes out(6);
    ASSERT_TRUE(lzh::LzhDecode(area, out).ok());
    EXPECT_EQ(out, bytesOf("ababab"));
}

// The item buffer takes 9 bytes per group of eight literals and 25 per group
// of eight matches; the group that would start at offset 16362 (literals) or
// 16375 (matches) forces the block out. A block of one symbol sends both
// tables in their one-symbol form and no bits for its items.
TEST(BlockOutput, BlocksAreCutAt14544LiteralsOr5240Matches) {
    for (const auto& [symbol, perBlock] : {std::pair{0x41u, 14544u}, std::pair{256u, 5240u}}) {
        Output output;
        for (std::uint32_t i = 0; i <= perBlock; ++i) output.out->PutItem(static_cast<int>(symbol), 0);
        const Bytes stream = output.finish();
        BitReader bits(stream);
        EXPECT_EQ(bits.read(16), perBlock);
        EXPECT_EQ(bits.read(28), symbol) << "one-symbol tables of the item's symbol";
        EXPECT_EQ(bits.read(8), 0u) << "one-symbol position table of symbol 0";
        EXPECT_EQ(bits.read(16), 1u) << "the next block holds the one item left";
    }
}

// Literals 0 and r + 1, equally often: r zero lengths between two lengths of 1.
std::vector<Step> zeroRunSteps(int r) {
    Output output;
    output.literals(0, 2);
    output.literals(r + 1, 2);
    const Bytes stream = output.finish();
    BitReader bits(stream);
    EXPECT_EQ(bits.read(16), 4u);
    const CanonicalCode lengthCode = CanonicalCode::fromLengths(readLengthCodeLengths(bits));
    int n = 0;
    std::vector<Step> steps = readLitLenSteps(bits, lengthCode, n);
    EXPECT_EQ(n, r + 2);
    return steps;
}

TEST(BlockOutput, ZeroRunsOf18To20LengthsTakeTheirOwnForms) {
    // A length of 1 is length-code symbol 3.
    EXPECT_EQ(zeroRunSteps(18), (std::vector<Step>{{3}, {1, 15}, {3}}));
    EXPECT_EQ(zeroRunSteps(19), (std::vector<Step>{{3}, {0}, {1, 15}, {3}}));
    EXPECT_EQ(zeroRunSteps(20), (std::vector<Step>{{3}, {2, 0}, {3}}));
    EXPECT_EQ(zeroRunSteps(2), (std::vector<Step>{{3}, {0}, {0}, {3}}));
    EXPECT_EQ(zeroRunSteps(3), (std::vector<Step>{{3}, {1, 0}, {3}}));
}

}  // namespace
}  // namespace quarnel::test
