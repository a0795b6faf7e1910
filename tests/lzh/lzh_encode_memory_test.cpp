// Memory exhaustion is an outcome, not the end of the process. This test
// program replaces the global allocator so that large blocks can be refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

#include "lzh/encode_inputs.h"
#include "lzh/lzh.h"

namespace {
bool refuseLargeBlocks = false;
// Blocks of exactly this size are refused once `sizedGrants` of them were given.
std::atomic<std::size_t> refusedSize = 0;
std::atomic<int> sizedGrants = 0;
}

void* operator new(std::size_t size) {
    if (refuseLargeBlocks && size >= 64 * 1024) throw std::bad_alloc();
    if (size == refusedSize && sizedGrants-- <= 0) throw std::bad_alloc();
    if (void* block = std::malloc(size != 0 ? size : 1)) return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

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

}  // namespace
}  // namespace quarnel::test
