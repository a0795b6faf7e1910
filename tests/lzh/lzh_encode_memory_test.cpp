// Memory exhaustion is an outcome, not the end of the process. This test
// program replaces the global allocator so that large blocks can be refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>

#include "lzh/chunked_matches.h"
#include "lzh/encode_inputs.h"
#include "lzh/lzh.h"
#include "lzh/match_walk.h"

namespace {
bool refuseLargeBlocks = false;
// Blocks of exactly this size are refused once `sizedGrants` of them were given.
std::atomic<std::size_t> refusedSize = 0;
std::atomic<int> sizedGrants = 0;
// The bytes given out and not yet freed, and their highest count.
std::atomic<std::size_t> liveBytes = 0;
std::atomic<std::size_t> peakBytes = 0;
}

void* operator new(std::size_t size) {
    if (refuseLargeBlocks && size >= 64 * 1024) throw std::bad_alloc();
    if (size == refusedSize && sizedGrants-- <= 0) throw std::bad_alloc();
    void* block = std::malloc(size != 0 ? size : 1);
    if (block == nullptr) throw std::bad_alloc();
    const std::size_t live = liveBytes += malloc_usable_size(block);
    for (std::size_t peak = peakBytes; live > peak && !peakBytes.compare_exchange_weak(peak, live);) {}
    return block;
}
void operator delete(void* block) noexcept {
    liveBytes -= malloc_usable_size(block);
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }

namespace quarnel::test {
namespace {

TEST(LzhEncodeMemory, ExhaustionIsReportedAndNothingIsWritten) {
    const Bytes input = englishText(4000);
    Bytes destination(input.size() + lzh::EncodeOverhead, 0xEE);
    refuseLargeBlocks = true;
    lzh::LzhEncoded encoded;
    const Result result = lzh::LzhEncode(input, destination, encoded);
    refuseLargeBlocks = false;
    EXPECT_EQ(result.outcome, Outcome::NoMemory);
    EXPECT_EQ(result.message, "not enough memory for the encoder's work areas");
    EXPECT_TRUE(std::all_of(destination.begin(), destination.end(), [](std::uint8_t b) { return b == 0xEE; }));

    EXPECT_TRUE(lzh::LzhEncode(input, destination, encoded).ok()) << "the next call has memory again";
}

// A worker whose next chunk's buffer is refused hands the chunk to the
// driver, with its walk so far when that walk came on from the chunk before
// (then possibly already proved exact); the driver walks the chunk itself
// and the bytes stay those of one pass. Only the first chunk buffer is
// granted, whichever worker asks first.
TEST(LzhEncodeMemory, AWorkerRefusedAChunkBufferMidStripeLeavesTheBytesOfOnePass) {
    const Bytes input = englishText(1 << 20);
    lzh::LzhEncodeOptions onePass;
    onePass.threads = 1;
    Bytes expected(input.size() + lzh::EncodeOverhead);
    lzh::LzhEncoded encoded;
    ASSERT_TRUE(lzh::LzhEncode(input, expected, encoded, onePass).ok());
    expected.resize(encoded.size);

    constexpr std::size_t ChunkSize = 65536;
    lzh::LzhEncodeOptions chunked;
    chunked.threads = 2;
    chunked.chunkedFrom = 0;
    chunked.chunkSize = ChunkSize;
    Bytes actual(input.size() + lzh::EncodeOverhead);
    sizedGrants = 1;
    refusedSize = ChunkSize * 3;  // the matches of one chunk, three bytes each
    const Result result = lzh::LzhEncode(input, actual, encoded, chunked);
    refusedSize = 0;
    ASSERT_TRUE(result.ok()) << result.message;
    actual.resize(encoded.size);
    EXPECT_GE(encoded.stats.positionsWalkedAgain, ChunkSize) << "no chunk was handed back to the driver";
    EXPECT_TRUE(actual == expected);
}

// The heap's highest use while `input` is encoded on `threads` threads.
std::size_t peakOfEncoding(const Bytes& input, unsigned threads) {
    Bytes destination(input.size() + lzh::EncodeOverhead);
    lzh::LzhEncodeOptions options;
    options.threads = threads;
    lzh::LzhEncoded encoded;
    const std::size_t before = liveBytes;
    peakBytes = before;
    EXPECT_TRUE(lzh::LzhEncode(input, destination, encoded, options).ok());
    return peakBytes - before;
}

// Threads may add no more than a walk and a stripe of matches each, however
// many stripes their pace leaves waiting for the driver.
TEST(LzhEncodeMemory, EachThreadAddsAtMostAWalkAndAStripeOfMatches) {
    const Bytes inputs[] = {englishText(2 << 20), byteRuns(2 << 20, 5)};
    for (const Bytes& input : inputs) {
        const std::size_t onePass = peakOfEncoding(input, 1);
        for (const unsigned threads : {2u, 3u, 4u, 8u}) {
            const lzh::ChunkPlan plan = lzh::PlanChunks(input.size(), threads, {});
            const std::size_t allowance =
                threads * (sizeof(lzh::MatchWalk) + lzh::LongestStripe * plan.chunkSize * sizeof(lzh::FoundMatch));
            const std::size_t peak = peakOfEncoding(input, threads);
            EXPECT_LE(peak, onePass + allowance) << threads << " threads";
        }
    }
}

}  // namespace
}  // namespace quarnel::test
