// The text buffer carried from one encoding to the next: CarryText gives
// the buffer the encoder itself leaves, and only inputs shorter than a
// window and a longest match see any of what they start from.
#include <gtest/gtest.h>

#include <memory>

#include "lzh/encode_inputs.h"
#include "lzh/encode_stream.h"
#include "lzh/lzh.h"

namespace quarnel::test {
namespace {

struct Discard {
    void PutItem(int, int) {}
    bool unpackable() const { return false; }
    void FinishBlockOutput() {}
};

lzh::TextBuffer randomText(std::uint32_t seed) {
    const Bytes bytes = randomBytes(lzh::TextBufferSize, seed);
    lzh::TextBuffer text;
    std::copy(bytes.begin(), bytes.end(), text.begin());
    return text;
}

Bytes encoded(const Bytes& input, const lzh::TextBuffer* start, unsigned threads) {
    lzh::LzhEncodeOptions options;
    options.threads = threads;
    options.startText = start;
    if (threads > 1) options.chunkedFrom = 0, options.chunkSize = 8192, options.warmUp = 8192;
    Bytes area(input.size() + lzh::EncodeOverhead);
    lzh::LzhEncoded result;
    EXPECT_TRUE(lzh::LzhEncode(input, area, result, options).ok());
    area.resize(result.size);
    return area;
}

// Lengths at the edges of the first read (8448 bytes) and of the slides.
const std::size_t Lengths[] = {0, 1, 100, 8191, 8192, 8447, 8448, 8449, 16384, 16640, 20000, 70000};

TEST(CarriedText, IsTheBufferTheEncoderLeavesBehind) {
    for (const std::size_t length : Lengths) {
        SCOPED_TRACE(length);
        const Bytes input = englishText(length, static_cast<std::uint32_t>(length));
        auto tree = std::make_unique<lzh::MatchTree>();
        lzh::TextBuffer carried = randomText(3);
        std::copy(carried.begin(), carried.end(), tree->text.begin());
        Discard sink;
        std::uint32_t unpackedSize = 0;
        lzh::StreamEncoder<Discard>(*tree, input, unpackedSize, sink).EncodeStream();
        lzh::CarryText(carried, input);
        EXPECT_TRUE(std::equal(carried.begin(), carried.end(), tree->text.begin()));
    }
}

// The chunked encoding starts from trees of its own, so this is what lets
// it ignore the carried buffer.
TEST(CarriedText, LongInputsEncodeTheSameFromAnyBufferOnAnyThreads) {
    const lzh::TextBuffer carried = randomText(5);
    for (const std::size_t length : Lengths) {
        if (length < lzh::WindowSize + lzh::MaxMatch) continue;
        SCOPED_TRACE(length);
        const Bytes input = byteRuns(length, static_cast<std::uint32_t>(length));
        const Bytes fresh = encoded(input, nullptr, 1);
        EXPECT_EQ(encoded(input, &carried, 1), fresh);
        EXPECT_EQ(encoded(input, &carried, 3), fresh);
    }
}

}  // namespace
}  // namespace quarnel::test
