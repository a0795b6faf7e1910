// The compressed area that LzhEncode writes: its framing, the output limit
// and its outcome, and streams that decode back to their input.
#include <gtest/gtest.h>

#include <algorithm>

#include "lzh/lzh.h"
#include "lzh/encode_inputs.h"
#include "support/test_files.h"

namespace quarnel::test {
namespace {

struct Encoded {
    lzh::LzhEncodeResult result;
    Bytes area;  // the result's size bytes
};

Encoded encode(const Bytes& input) {
    Bytes destination(input.size() + lzh::EncodeOverhead, 0xEE);
    Encoded encoded{lzh::LzhEncode(input, destination), {}};
    EXPECT_TRUE(encoded.result.ok) << encoded.result.message;
    EXPECT_LE(encoded.result.size, destination.size());
    destination.resize(std::min<std::size_t>(encoded.result.size, destination.size()));
    encoded.area = std::move(destination);
    return encoded;
}

std::uint32_t word(const Bytes& area, std::size_t at) {
    return area[at] | area[at + 1] << 8 | area[at + 2] << 16 | std::uint32_t{area[at + 3]} << 24;
}

Bytes decode(const Bytes& area) {
    Bytes out(word(area, 4));
    const lzh::LzhDecodeResult result = lzh::LzhDecode(area, out);
    EXPECT_TRUE(result.ok) << result.message;
    return out;
}

void expectRoundTrip(const Bytes& input, const std::string& name) {
    SCOPED_TRACE(name);
    const Encoded encoded = encode(input);
    ASSERT_TRUE(encoded.result.complete) << "a compressible input came out cut short";
    EXPECT_EQ(word(encoded.area, 0), encoded.result.size);
    EXPECT_EQ(word(encoded.area, 4), input.size());
    EXPECT_EQ(encoded.area.back(), 0) << "the closing byte";
    EXPECT_TRUE(decode(encoded.area) == input) << "the stream does not decode to its input";
}

// Letters from a small alphabet: compressible, but with short matches
// everywhere, so every position takes part in the tree.
Bytes letters(std::size_t n, std::uint32_t seed) {
    TestRandom random(seed);
    Bytes out(n);
    for (auto& b : out) b = static_cast<std::uint8_t>('a' + random.below(8));
    return out;
}

TEST(LzhEncodeOutcome, EmptyInputIsNineBytesAndDecodesToNothing) {
    const Encoded encoded = encode({});
    EXPECT_EQ(encoded.area, (Bytes{9, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(encoded.result.complete) << "an empty area is the whole (empty) input";
    EXPECT_TRUE(decode(encoded.area).empty());
}

// One stream byte fits (the high half of the item count 1); the next one is
// refused, and the stream is cut short.
TEST(LzhEncodeOutcome, OneByteIsReportedCutShort) {
    const Encoded encoded = encode({0x41});
    EXPECT_EQ(encoded.area, (Bytes{10, 0, 0, 0, 1, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(encoded.result.complete);
}

// "ababab" is the literals a and b and a match of 4 at distance 2, a stream
// of 11 bytes (00 03 28 04 4A 04 26 F1 15 80 CC). Only as many stream bytes
// as input bytes may be written, so the area holds the first six of them and
// the closing zero, and is incomplete.
TEST(LzhEncodeOutcome, SixBytesStopAtTheOutputLimit) {
    const Encoded encoded = encode(bytesOf("ababab"));
    EXPECT_EQ(encoded.area, (Bytes{15, 0, 0, 0, 6, 0, 0, 0, 0x00, 0x03, 0x28, 0x04, 0x4A, 0x04, 0x00}));
    EXPECT_FALSE(encoded.result.complete);
}

// Random bytes do not compress: the stream stops when it has as many bytes
// as the input read until then, and the header says how many that was.
TEST(LzhEncodeOutcome, IncompressibleInputIsCutShortAtTheInputReadSoFar) {
    const Bytes input = randomBytes(20000, 99);
    const Encoded encoded = encode(input);
    EXPECT_FALSE(encoded.result.complete);
    EXPECT_EQ(word(encoded.area, 0), encoded.result.size);
    EXPECT_LE(word(encoded.area, 4), input.size());
    EXPECT_EQ(encoded.result.size, word(encoded.area, 4) + lzh::EncodeOverhead);
    EXPECT_EQ(encoded.area.back(), 0);
}

TEST(LzhEncodeOutcome, TooSmallDestinationIsRefusedAndLeftAlone) {
    const Bytes input = englishText(1000);
    Bytes destination(input.size() + lzh::EncodeOverhead - 1, 0xEE);
    const lzh::LzhEncodeResult result = lzh::LzhEncode(input, destination);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.complete);
    EXPECT_FALSE(result.message.empty());
    EXPECT_TRUE(std::all_of(destination.begin(), destination.end(), [](std::uint8_t b) { return b == 0xEE; }));
}

TEST(LzhEncodeOutcome, NothingCarriesOverBetweenCalls) {
    const Bytes first = mixedInput();
    const Bytes other = byteRuns(30000, 5);
    const Bytes before = encode(first).area;
    encode(other);
    EXPECT_EQ(encode(first).area, before);
}

TEST(LzhEncodeRoundTrip, TextRunsAndMixedInputs) {
    expectRoundTrip(englishText(5000), "text");
    expectRoundTrip(byteRuns(50000, 3), "runs");
    expectRoundTrip(Bytes(70000, 0), "zeros");
    expectRoundTrip(mixedInput(), "mixed");
    // Random bytes with a repeated stretch: compressible just enough.
    Bytes noisy = randomBytes(6000, 11);
    noisy.insert(noisy.end(), noisy.begin(), noisy.begin() + 3000);
    expectRoundTrip(noisy, "random with a copy");
}

// The text slides after every 8192 positions; the first read takes 8448
// bytes, every later one 8192.
TEST(LzhEncodeRoundTrip, SizesAroundTheSlides) {
    for (const std::size_t size : {8191u, 8192u, 8193u, 8447u, 8448u, 8449u, 16383u, 16384u, 16385u, 16640u, 24577u})
        expectRoundTrip(letters(size, static_cast<std::uint32_t>(size)), "letters " + std::to_string(size));
}

TEST(LzhEncodeRoundTrip, SeabiosBlobs) {
    const auto blobs = seabiosBlobs();
    if (blobs.empty()) GTEST_SKIP() << "seabios is not installed";
    for (const auto& blob : blobs) expectRoundTrip(readFile(blob), blob.filename().string());
}

}  // namespace
}  // namespace quarnel::test
