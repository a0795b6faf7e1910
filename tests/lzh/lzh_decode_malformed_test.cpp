// Malformed areas: every one must come back as a failure with a message,
// without reading outside the area or writing outside the output.
#include <gtest/gtest.h>

#include <numeric>
#include <random>

#include "lzh/lzh.h"
#include "support/lh5_stream_writer.h"

namespace quarnel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Decodes into an output of exactly unpackedSize bytes and expects a failure
// whose message contains `expected`.
void expectRefused(const Bytes& area, std::string_view expected) {
    const auto header = lzh::readAreaHeader(area);
    ASSERT_TRUE(header);
    Bytes out(header->unpackedSize);
    const lzh::LzhDecodeResult result = lzh::LzhDecode(area, out);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find(expected), std::string::npos) << result.message;
}

// A block header up to the length code, with the standard length code.
Lh5StreamWriter withLengthCode(std::uint16_t blockSize = 1) {
    Lh5StreamWriter w;
    w.blockSize(blockSize);
    w.smallLengths(standardLengthCode().lengths, 5, true);
    return w;
}

CanonicalCode codeOver(int alphabet, std::vector<int> used) { return CanonicalCode::covering(alphabet, used); }

TEST(LzhDecodeRefusesTables, LengthCodeCountAbove19) {
    for (std::uint32_t count : {20u, 31u}) {
        Lh5StreamWriter w;
        w.blockSize(1);
        w.bits.put(count, 5);
        w.bits.put(0x12345678, 32);  // lengths of 3 bits each
        expectRefused(w.area(1), "above 19");
    }
}

TEST(LzhDecodeRefusesTables, LiteralLengthCountAbove510) {
    Lh5StreamWriter w = withLengthCode();
    w.bits.put(511, 9);
    expectRefused(w.area(1), "above 510");
}

TEST(LzhDecodeRefusesTables, ZeroRunPastSymbol509) {
    const CanonicalCode lengthCode = standardLengthCode();
    Lh5StreamWriter w = withLengthCode();
    w.bits.put(510, 9);
    lengthCode.write(w.bits, 3);  // symbol 0: length 1
    lengthCode.write(w.bits, 2);  // then 20 + 500 zeros: one past symbol 509
    w.bits.put(500, 9);
    expectRefused(w.area(1), "past symbol 509");
}

TEST(LzhDecodeRefusesTables, SingleSymbolOutsideItsAlphabet) {
    {
        Lh5StreamWriter w;
        w.blockSize(1);
        w.singleSymbol(19, 5);
        expectRefused(w.area(1), "names no symbol");
    }
    {
        Lh5StreamWriter w;
        w.blockSize(1);
        w.singleSymbol(0, 5);
        w.singleSymbol(510, 9);
        expectRefused(w.area(1), "names no symbol");
    }
    {
        Lh5StreamWriter w;
        w.blockSize(1);
        w.singleSymbol(0, 5);
        w.singleSymbol('a', 9);
        w.singleSymbol(14, 4);
        expectRefused(w.area(1), "names no symbol");
    }
}

TEST(LzhDecodeRefusesTables, CodeLengthAbove16) {
    for (int length : {17, 19}) {
        Lh5StreamWriter w;
        w.blockSize(1);
        const std::uint8_t lengths[] = {1, 2, static_cast<std::uint8_t>(length)};
        w.smallLengths(lengths, 5, true);
        expectRefused(w.area(1), "above 16");
    }
}

// Literal/length lengths given outright, sent in the standard length code.
Bytes withLitLenLengths(std::vector<std::uint8_t> lengths) {
    const CanonicalCode lengthCode = standardLengthCode();
    Lh5StreamWriter w = withLengthCode();
    w.litLenLengths(CanonicalCode::fromLengths(std::move(lengths)), lengthCode);
    w.singleSymbol(0, 4);
    return w.area(1);
}

TEST(LzhDecodeRefusesTables, CodeSpaceNotFilledExactlyOnce) {
    // The 16-bit sum of the stream format catches these.
    expectRefused(withLitLenLengths({1}), "Bad table");
    expectRefused(withLitLenLengths({1, 1, 1}), "Bad table");
    expectRefused(withLitLenLengths({1, 2}), "Bad table");
    // These pass the 16-bit sum: twice the space, or none at all.
    expectRefused(withLitLenLengths({1, 1, 1, 1}), "exactly once");
    expectRefused(withLitLenLengths(std::vector<std::uint8_t>(128, 6)), "exactly once");
    {
        const CanonicalCode lengthCode = standardLengthCode();
        Lh5StreamWriter w = withLengthCode();
        w.bits.put(5, 9);
        for (int i = 0; i < 5; ++i) lengthCode.write(w.bits, 0);  // five zero lengths, count 5
        expectRefused(w.area(1), "exactly once");
    }
    {
        Lh5StreamWriter w;
        w.blockSize(1);
        const std::uint8_t lengths[] = {1, 1, 1, 1};  // an over-full length code
        w.smallLengths(lengths, 5, true);
        expectRefused(w.area(1), "exactly once");
    }
}

TEST(LzhDecodeRefusesTables, ExactMessageOfTheFailedSum) {
    const Bytes area = withLitLenLengths({1});
    Bytes out(1);
    EXPECT_EQ(lzh::LzhDecode(area, out).message, "Bad table");
}

TEST(LzhDecodeRefusesStreams, DistanceBeforeTheFirstOutputByte) {
    const CanonicalCode litLen = codeOver(lzh::LitLenSymbols, {'a', 256});
    const CanonicalCode position = codeOver(lzh::PosSymbols, {0, 2});
    Lh5StreamWriter w;
    w.blockHeader(2, litLen, position);
    w.literal(litLen, 'a');
    w.match(litLen, position, 3, 3);
    expectRefused(w.area(4), "before the start of the output");
}

TEST(LzhDecodeRefusesAreas, FramingThatDoesNotFitItsRoom) {
    Bytes out;
    EXPECT_FALSE(lzh::LzhDecode({}, out).ok);
    const Bytes shortHeader = {8, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(lzh::LzhDecode(shortHeader, out).ok);
    for (std::uint32_t packedSize : {0u, 7u, 12u, 0xFFFFFFFFu}) {
        Bytes area = {static_cast<std::uint8_t>(packedSize), static_cast<std::uint8_t>(packedSize >> 8),
                      static_cast<std::uint8_t>(packedSize >> 16), static_cast<std::uint8_t>(packedSize >> 24),
                      0, 0, 0, 0, 0xAA, 0xBB, 0xCC};  // 11 bytes of room
        const lzh::LzhDecodeResult result = lzh::LzhDecode(area, out);
        EXPECT_FALSE(result.ok) << packedSize;
        EXPECT_FALSE(result.message.empty());
    }
}

TEST(LzhDecodeRefusesAreas, OutputOfAnotherSizeThanUnpackedSize) {
    const Bytes area = {0x13, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x03,
                        0x28, 0x04, 0x4A, 0x04, 0x26, 0xD9, 0x15, 0x80, 0xAC};
    Bytes small(10);
    const lzh::LzhDecodeResult result = lzh::LzhDecode(area, small);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.message.empty());
}

TEST(LzhDecodeRefusesAreas, TruncatedStreamsOfAWellFormedAreaNeverCrash) {
    // Cut anywhere, with packedSize fixed up: the rest reads as zero bits,
    // which either decodes or fails, never reads outside the room.
    const CanonicalCode litLen = codeOver(lzh::LitLenSymbols, {'a', 'b', 'c', 300, 400});
    const CanonicalCode position = codeOver(lzh::PosSymbols, {0, 1, 3, 9});
    Lh5StreamWriter w;
    w.blockHeader(6, litLen, position);
    for (char c : std::string("abcab")) w.literal(litLen, static_cast<std::uint8_t>(c));
    w.match(litLen, position, 47, 5);
    const Bytes whole = w.area(52);
    for (std::size_t size = 8; size < whole.size(); ++size) {
        Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        cut[0] = static_cast<std::uint8_t>(size);
        Bytes out(52);
        const lzh::LzhDecodeResult result = lzh::LzhDecode(cut, out);
        EXPECT_TRUE(result.ok || !result.message.empty()) << size;
    }
}

TEST(LzhDecodeRefusesAreas, RandomBytesNeverCrash) {
    std::mt19937 random(7);
    int refused = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes area(8 + random() % 64);
        for (auto& byte : area) byte = static_cast<std::uint8_t>(random());
        const auto packedSize = static_cast<std::uint32_t>(area.size());
        const std::uint32_t unpackedSize = random() % 20000;
        for (int i = 0; i < 4; ++i) {
            area[i] = static_cast<std::uint8_t>(packedSize >> (8 * i));
            area[4 + i] = static_cast<std::uint8_t>(unpackedSize >> (8 * i));
        }
        Bytes out(unpackedSize);
        const lzh::LzhDecodeResult result = lzh::LzhDecode(area, out);
        if (!result.ok) {
            ++refused;
            EXPECT_FALSE(result.message.empty());
        }
    }
    EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace quarnel::test
