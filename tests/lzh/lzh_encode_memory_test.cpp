// Memory exhaustion is an outcome, not the end of the process. This test
// program replaces the global allocator so that large blocks can be refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <new>

#include "lzh/encode_inputs.h"
#include "lzh/lzh.h"

namespace {
bool refuseLargeBlocks = false;
}

void* operator new(std::size_t size) {
    if (refuseLargeBlocks && size >= 64 * 1024) throw std::bad_alloc();
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

}  // namespace
}  // namespace quarnel::test
