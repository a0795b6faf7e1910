// The compressed area that LzhEncode writes: its framing, the output limit
// and its outcome, and streams that decode back to their input, both with
// LzhDecode and with Debian's lhasa as an independent peer.
#include <gtest/gtest.h>

#include <algorithm>

#include "lzh/encode_inputs.h"
#include "lzh/lzh.h"
#include "support/lzh_member.h"
#include "support/test_files.h"

namespace quarnel::test {
namespace {

struct Encoded {
    lzh::LzhEncoded result;
    Bytes area;  // the result's size bytes
};

Encoded encode(const Bytes& input) {
    Bytes destination(input.size() + lzh::EncodeOverhead, 0xEE);
    Encoded encoded;
    const Result r = lzh::LzhEncode(input, destination, encoded.result);
    EXPECT_TRUE(r.ok()) << r.message;
    EXPECT_LE(encoded.result.size, destination.size());
    destination.resize(std::min<std::size_t>(encoded.result.size, destination.size()));
    encoded.area = std::move(destination);
    return encoded;
}

std::uint32_t word(const Bytes& area, std::size_t at) {
    return area[at] | area[at + 1] << 8 | area[at + 2] << 16 | std::uint32_t{area[at + 3]} << 24;
}

// Compressible inputs: text, runs, noise with one repeated stretch, and
// sizes around the slides (the first read takes 8448 bytes, every later one
// 8192). The seabios blobs follow. (Copies from every distance class are the
// reference comparison's and the encode fuzzer's.)
std::vector<std::pair<std::string, Bytes>> compressibleInputs() {
    std::vector<std::pair<std::string, Bytes>> inputs = {
        {"text", englishText(5000)}, {"runs", byteRuns(50000, 3)}, {"zeros", Bytes(70000, 0)}};
    Bytes noisy = randomBytes(6000, 11);
    noisy.insert(noisy.end(), noisy.begin(), noisy.begin() + 3000);
    inputs.emplace_back("random with a copy", noisy);
    for (const std::size_t size : {8191u, 8192u, 8193u, 8447u, 8448u, 8449u, 16384u, 16385u, 16640u, 24577u}) {
        TestRandom random(static_cast<std::uint32_t>(size));
        Bytes letters(size);  // short matches everywhere: every position takes part in the tree
        for (auto& b : letters) b = static_cast<std::uint8_t>('a' + random.below(8));
        inputs.emplace_back("letters " + std::to_string(size), letters);
    }
    for (const auto& blob : seabiosBlobs()) inputs.emplace_back(blob.filename().string(), readFile(blob));
    return inputs;
}

// Only as many stream bytes as input bytes may be written. One byte: the
// high half of the item count fits, the next stream byte does not. "ababab"
// is a stream of 11 bytes (00 03 28 04 4A 04 26 F1 15 80 CC): the first six
// and the closing zero fit. An empty input's area is whole, and decodes to
// nothing.
TEST(LzhEncodeOutcome, SmallInputsGiveTheirAreaAndTellWhetherItIsComplete) {
    const struct {
        const char* name;
        Bytes input, area;
        bool complete;
    } cases[] = {
        {"empty", {}, {9, 0, 0, 0, 0, 0, 0, 0, 0}, true},
        {"one byte", {0x41}, {10, 0, 0, 0, 1, 0, 0, 0, 0, 0}, false},
        {"ababab", bytesOf("ababab"), {15, 0, 0, 0, 6, 0, 0, 0, 0x00, 0x03, 0x28, 0x04, 0x4A, 0x04, 0x00}, false},
    };
    for (const auto& c : cases) {
        const Encoded encoded = encode(c.input);
        EXPECT_EQ(encoded.area, c.area) << c.name;
        EXPECT_EQ(encoded.result.complete, c.complete) << c.name;
    }
    Bytes nothing;
    EXPECT_TRUE(lzh::LzhDecode(encode({}).area, nothing).ok());
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
    lzh::LzhEncoded encoded;
    const Result result = lzh::LzhEncode(input, destination, encoded);
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.message.empty());
    EXPECT_EQ(destination, Bytes(destination.size(), 0xEE));
}

TEST(LzhEncodeOutcome, NothingCarriesOverBetweenCalls) {
    const Bytes first = englishText(30000);
    const Bytes before = encode(first).area;
    encode(byteRuns(30000, 5));
    EXPECT_EQ(encode(first).area, before);
}

TEST(LzhEncodeRoundTrip, CompressibleInputsDecodeBackWhole) {
    for (const auto& [name, input] : compressibleInputs()) {
        SCOPED_TRACE(name);
        const Encoded encoded = encode(input);
        ASSERT_TRUE(encoded.result.complete) << "a compressible input came out cut short";
        EXPECT_EQ(word(encoded.area, 0), encoded.result.size);
        EXPECT_EQ(word(encoded.area, 4), input.size());
        EXPECT_EQ(encoded.area.back(), 0) << "the closing byte";
        Bytes decoded(input.size());
        EXPECT_TRUE(lzh::LzhDecode(encoded.area, decoded).ok());
        EXPECT_TRUE(decoded == input) << "the stream does not decode to its input";
    }
}

// Checks the bytes, not only the exit status: "lhasa p" exits 0 even on a
// CRC error, only "lhasa t" fails on one.
TEST(LzhEncodeRoundTrip, LhasaExtractsEveryCompleteStreamToItsInput) {
    if (!lhasaAvailable()) GTEST_SKIP() << "lhasa is not installed";
    for (const auto& [name, input] : compressibleInputs()) {
        SCOPED_TRACE(name);
        const LhasaExtraction extraction = extractWithLhasa(wrapAreaAsMember(encode(input).area, input));
        ASSERT_TRUE(extraction.ran);
        EXPECT_TRUE(extraction.crcTestPassed) << "lhasa t refused the member";
        EXPECT_TRUE(extraction.bytes == input) << "lhasa extracted other bytes";
    }
}

}  // namespace
}  // namespace quarnel::test
