// Matches found in chunks on worker threads: the area must be the one a
// single pass writes, byte for byte, at every thread count, chunk size and
// warm-up, whether each seam was proved or walked again. (The single pass is
// compared with a separately written encoder in the reference comparison.)
#include <gtest/gtest.h>

#include <string>

#include "lzh/encode_inputs.h"
#include "lzh/lzh.h"
#include "support/test_files.h"

namespace quarnel::test {
namespace {

struct EncodedArea {
    lzh::LzhEncoded result;
    Bytes area;
};

EncodedArea encode(const Bytes& input, const lzh::LzhEncodeOptions& options) {
    Bytes area(input.size() + lzh::EncodeOverhead);
    lzh::LzhEncoded result;
    const Result r = lzh::LzhEncode(input, area, result, options);
    EXPECT_TRUE(r.ok()) << r.message;
    area.resize(result.size);
    return {result, area};
}

lzh::LzhEncodeOptions onePass() {
    lzh::LzhEncodeOptions options;
    options.threads = 1;
    return options;
}

lzh::LzhEncodeOptions chunked(unsigned threads, std::size_t chunkSize, std::size_t warmUp) {
    lzh::LzhEncodeOptions options;
    options.threads = threads;
    options.chunkedFrom = 0;
    options.chunkSize = chunkSize;
    options.warmUp = warmUp;
    return options;
}

// A block of random bytes repeated, a few bytes changed in every copy: the
// trees of a fresh walk and of the exact one keep differing in stale
// positions long after the warm-up.
Bytes periodic(std::size_t n, std::size_t period, std::uint32_t seed) {
    TestRandom random(seed);
    Bytes block = randomBytes(period, seed);
    Bytes out;
    while (out.size() < n) {
        block[random.below(static_cast<std::uint32_t>(period))] = static_cast<std::uint8_t>(random.next());
        out.insert(out.end(), block.begin(), block.end());
    }
    out.resize(n);
    return out;
}

// Runs far longer than the window, so that 256-byte matches replace leaves
// across every seam.
Bytes longRuns(std::size_t n, std::uint32_t seed) {
    TestRandom random(seed);
    Bytes out;
    while (out.size() < n) out.insert(out.end(), 1 + random.below(40000), static_cast<std::uint8_t>(random.next()));
    out.resize(n);
    return out;
}

Bytes seabiosTogether() {
    Bytes out;
    for (const auto& blob : seabiosBlobs()) {
        const Bytes bytes = readFile(blob);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

TEST(LzhEncodeChunked, SmallChunksGiveTheOnePassBytesWhetherSeamsAreProvedOrWalkedAgain) {
    const struct {
        std::string name;
        Bytes input;
    } inputs[] = {
        {"periodic 300", periodic(600000, 300, 3)},
        {"periodic 8191", periodic(400000, 8191, 4)},
        {"long runs", longRuns(500000, 5)},
        {"letters", [] {
             TestRandom random(6);
             Bytes letters(300000);
             for (auto& b : letters) b = static_cast<std::uint8_t>('a' + random.below(4));
             return letters;
         }()},
        {"text", englishText(400000)},
        {"seabios", seabiosTogether()},
    };
    const struct {
        unsigned threads;
        std::size_t chunkSize, warmUp;
    } settings[] = {{2, 8192, 8192}, {3, 16384, 16384}, {8, 24576, 8192}, {2, 65536, 65536}, {3, 40000, 20000}};

    std::uint32_t proved = 0, fallbacks = 0;
    for (const auto& in : inputs) {
        const EncodedArea expected = encode(in.input, onePass());
        EXPECT_TRUE(expected.result.complete) << in.name;
        for (const auto& s : settings) {
            const EncodedArea actual = encode(in.input, chunked(s.threads, s.chunkSize, s.warmUp));
            const std::string label = in.name + ", " + std::to_string(s.threads) + " threads, chunks of " +
                                      std::to_string(s.chunkSize) + ", warm-up " + std::to_string(s.warmUp);
            EXPECT_GE(actual.result.stats.chunks, 2u) << label;
            EXPECT_EQ(actual.result.complete, expected.result.complete) << label;
            EXPECT_TRUE(actual.area == expected.area) << label;
            proved += actual.result.stats.provedSeams;
            fallbacks += actual.result.stats.fallbacks;
        }
    }
    EXPECT_GT(proved, 0u) << "no seam was ever proved: the comparison refuses equal trees";
    EXPECT_GT(fallbacks, 0u) << "no seam ever differed: the fallback went untested";
}

// A warm-up of 8192 positions leaves the text below the window as the walk
// found it (zeros), so every seam differs from the exact tree; the chunks are
// walked again and the bytes must not change.
TEST(LzhEncodeChunked, EverySeamFallingBackStillGivesTheOnePassBytes) {
    const Bytes input = periodic(300000, 1000, 7);
    const EncodedArea expected = encode(input, onePass());
    const EncodedArea actual = encode(input, chunked(2, 8192, 8192));
    EXPECT_TRUE(actual.area == expected.area);
    EXPECT_EQ(actual.result.stats.provedSeams, 0u);
    EXPECT_GT(actual.result.stats.fallbacks, 0u);
    EXPECT_GT(actual.result.stats.positionsWalkedAgain, 0u);
}

// Random bytes make the stream unpackable early: the driver stops while the
// workers are still busy, and the area cut short must be the one-pass one.
TEST(LzhEncodeChunked, AStreamCutShortStopsTheWorkersAndMatchesOnePass) {
    Bytes input = randomBytes(2 << 20, 8);
    const EncodedArea expected = encode(input, onePass());
    for (const unsigned threads : {2u, 3u, 8u}) {
        const EncodedArea actual = encode(input, chunked(threads, 65536, 65536));
        EXPECT_FALSE(actual.result.complete) << threads;
        EXPECT_TRUE(actual.area == expected.area) << threads;
    }
}

// With the default options an input of 1 MiB or more is chunked when more
// than one thread is asked for; below, and with one thread, it is not.
TEST(LzhEncodeChunked, DefaultOptionsChunkOnlyLongInputsAndKeepTheBytes) {
    const Bytes input = periodic((1 << 20) + 70000, 5000, 9);
    const EncodedArea expected = encode(input, onePass());
    EXPECT_EQ(expected.result.stats.chunks, 0u);
    for (const unsigned threads : {2u, 3u, 8u}) {
        lzh::LzhEncodeOptions options;
        options.threads = threads;
        const EncodedArea actual = encode(input, options);
        EXPECT_GE(actual.result.stats.chunks, 2u) << threads;
        EXPECT_TRUE(actual.area == expected.area) << threads;
    }
    lzh::LzhEncodeOptions options;
    options.threads = 2;
    const Bytes shorter(input.begin(), input.begin() + (1 << 20) - 1);
    EXPECT_EQ(encode(shorter, options).result.stats.chunks, 0u);
}

}  // namespace
}  // namespace quarnel::test
