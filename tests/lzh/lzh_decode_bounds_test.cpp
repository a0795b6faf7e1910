// Where a stream ends: no stream our encoder writes needs its last byte, so
// refusing one that needs bits beyond it refuses nothing valid; and the
// piecewise decoder gives the whole decoder's bytes in bounded pieces,
// whatever size an area claims.
#include <gtest/gtest.h>

#include <algorithm>

#include "lzh/encode_inputs.h"
#include "lzh/lzh.h"

namespace quarnel::test {
namespace {

Bytes encodeOrFail(const Bytes& plain) {
    Bytes area(plain.size() + lzh::EncodeOverhead);
    lzh::LzhEncoded encoded;
    const Result r = lzh::LzhEncode(plain, area, encoded);
    EXPECT_TRUE(r.ok() && encoded.complete) << r.message;
    area.resize(encoded.size);
    return area;
}

Bytes withPackedSize(Bytes area, std::uint32_t packedSize) {
    for (int i = 0; i < 4; ++i) area[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(packedSize >> (8 * i));
    area.resize(packedSize);
    return area;
}

const struct {
    const char* name;
    Bytes plain;
} Inputs[] = {
    {"empty", {}},
    {"text across several slides of the window", englishText(300000)},
    {"runs", byteRuns(120000, 3)},
    {"zeros", Bytes(70000, 0)},
    {"text with random stretches", [] {
         Bytes b = englishText(40000, 9);
         const Bytes r = randomBytes(3000, 4);
         b.insert(b.begin() + 20000, r.begin(), r.end());
         return b;
     }()},
};

TEST(LzhStreamEnd, EveryStreamOurEncoderWritesLeavesItsLastByteUnread) {
    for (const auto& input : Inputs) {
        SCOPED_TRACE(input.name);
        const Bytes area = encodeOrFail(input.plain);
        // Without the closing byte the stream must still decode whole.
        const Bytes shorter = withPackedSize(area, static_cast<std::uint32_t>(area.size() - 1));
        Bytes out(input.plain.size());
        const quarnel::Result decoded = lzh::LzhDecode(shorter, out);
        EXPECT_TRUE(decoded.ok()) << decoded.message;
        EXPECT_TRUE(out == input.plain);
    }
}

TEST(LzhStreamEnd, PiecewiseDecodingGivesTheWholeDecodersBytesInBoundedPieces) {
    for (const auto& input : Inputs) {
        SCOPED_TRACE(input.name);
        const Bytes area = encodeOrFail(input.plain);
        Bytes pieces;
        std::size_t largest = 0;
        const quarnel::Result decoded = lzh::LzhDecodeTo(area, [&](std::span<const std::uint8_t> piece) {
            largest = std::max(largest, piece.size());
            pieces.insert(pieces.end(), piece.begin(), piece.end());
            return true;
        });
        EXPECT_TRUE(decoded.ok()) << decoded.message;
        EXPECT_TRUE(pieces == input.plain);
        EXPECT_LE(largest, static_cast<std::size_t>(lzh::WindowSize));
    }
}

// An empty stream that claims 4 GiB of output, and a text cut anywhere: the
// piecewise decoder stops at the end of the stream, after a few pieces.
TEST(LzhStreamEnd, APiecewiseDecodeOfACutStreamStopsAtItsEnd) {
    const Bytes text = encodeOrFail(englishText(50000));
    const struct {
        const char* name;
        Bytes area;
        const char* message;
    } cases[] = {
        {"8-byte area claiming 4 GiB", {8, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF},
         "the stream ends before 4294967295 bytes were decoded"},
        {"text cut in half", withPackedSize(text, static_cast<std::uint32_t>(text.size() / 2)),
         "the stream ends before 50000 bytes were decoded"},
    };
    for (const auto& c : cases) {
        std::size_t given = 0;
        const quarnel::Result decoded = lzh::LzhDecodeTo(c.area, [&](std::span<const std::uint8_t> piece) {
            given += piece.size();
            return true;
        });
        EXPECT_EQ(decoded.message, c.message) << c.name;
        EXPECT_LT(given, 50000u) << c.name;
    }
}

}  // namespace
}  // namespace quarnel::test
