// Malformed areas: every one must come back as a failure with a message,
// without reading outside the area or writing outside the output (the
// sanitizer build watches that; fuzz_lzh_decode tries arbitrary areas).
#include <gtest/gtest.h>

#include <functional>

#include "lzh/lzh.h"
#include "support/lh5_stream_writer.h"

namespace quarnel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A one-symbol block whose header `write` puts out, from its block size on.
Bytes blockOf(const std::function<void(Lh5StreamWriter&)>& write) {
    Lh5StreamWriter w;
    w.blockSize(1);
    write(w);
    return w.area(1);
}

// The standard length code, then what `write` adds.
Bytes afterLengthCode(const std::function<void(Lh5StreamWriter&, const CanonicalCode&)>& write) {
    return blockOf([&](Lh5StreamWriter& w) {
        const CanonicalCode lengthCode = standardLengthCode();
        w.smallLengths(lengthCode.lengths, 5, true);
        write(w, lengthCode);
    });
}

// Literal/length lengths given outright.
Bytes withLitLenLengths(std::vector<std::uint8_t> lengths) {
    return afterLengthCode([&](Lh5StreamWriter& w, const CanonicalCode& lengthCode) {
        w.litLenLengths(CanonicalCode::fromLengths(std::move(lengths)), lengthCode);
        w.singleSymbol(0, 4);
    });
}

Bytes smallCode(std::vector<std::uint8_t> lengths) {
    return blockOf([&](Lh5StreamWriter& w) { w.smallLengths(lengths, 5, true); });
}

Bytes distanceBeforeTheOutput() {
    const CanonicalCode litLen = CanonicalCode::covering(lzh::LitLenSymbols, {'a', 256});
    const CanonicalCode position = CanonicalCode::covering(lzh::PosSymbols, {0, 2});
    Lh5StreamWriter w;
    w.blockHeader(2, litLen, position);
    w.literal(litLen, 'a');
    w.match(litLen, position, 3, 3);
    return w.area(4);
}

Bytes framing(std::uint32_t packedSize, std::uint32_t unpackedSize) {
    Bytes area(11, 0xAA);  // 11 bytes of room
    for (int i = 0; i < 4; ++i) {
        area[i] = static_cast<std::uint8_t>(packedSize >> (8 * i));
        area[4 + i] = static_cast<std::uint8_t>(unpackedSize >> (8 * i));
    }
    return area;
}

// Decoded into an output of exactly unpackedSize bytes (10 when that is
// huge), each must fail with a message holding `expected`; the failed sum
// gives exactly the format's own "Bad table".
TEST(LzhDecodeRefuses, EveryMalformedForm) {
    const struct {
        const char* name;
        Bytes area;
        std::string expected;
    } cases[] = {
        {"length-code count 20", blockOf([](auto& w) { w.bits.put(20, 5); w.bits.put(0x12345678, 32); }), "above 19"},
        {"length-code count 31", blockOf([](auto& w) { w.bits.put(31, 5); w.bits.put(0x12345678, 32); }), "above 19"},
        {"literal/length count 511", afterLengthCode([](auto& w, auto&) { w.bits.put(511, 9); }), "above 510"},
        {"zero run past symbol 509", afterLengthCode([](auto& w, auto& lengthCode) {
             w.bits.put(510, 9);
             lengthCode.write(w.bits, 3);  // symbol 0: length 1
             lengthCode.write(w.bits, 2);  // then 20 + 500 zeros: one past symbol 509
             w.bits.put(500, 9);
         }), "past symbol 509"},
        {"single length-code symbol 19", blockOf([](auto& w) { w.singleSymbol(19, 5); }), "names no symbol"},
        {"single literal/length symbol 510", blockOf([](auto& w) { w.singleSymbol(0, 5); w.singleSymbol(510, 9); }),
         "names no symbol"},
        {"single position symbol 14",
         blockOf([](auto& w) { w.singleSymbol(0, 5); w.singleSymbol('a', 9); w.singleSymbol(14, 4); }),
         "names no symbol"},
        {"code length 17", smallCode({1, 2, 17}), "above 16"},
        {"code length 19", smallCode({1, 2, 19}), "above 16"},
        // The 16-bit sum of the stream format catches these ...
        {"lengths {1}", withLitLenLengths({1}), "Bad table"},
        {"lengths {1, 1, 1}", withLitLenLengths({1, 1, 1}), "Bad table"},
        {"lengths {1, 2}", withLitLenLengths({1, 2}), "Bad table"},
        // ... these pass it: twice the space, or none at all.
        {"lengths {1, 1, 1, 1}", withLitLenLengths({1, 1, 1, 1}), "exactly once"},
        {"128 lengths of 6", withLitLenLengths(Bytes(128, 6)), "exactly once"},
        {"five zero lengths", afterLengthCode([](auto& w, auto& lengthCode) {
             w.bits.put(5, 9);
             for (int i = 0; i < 5; ++i) lengthCode.write(w.bits, 0);
         }), "exactly once"},
        {"over-full length code", smallCode({1, 1, 1, 1}), "exactly once"},
        {"distance before the first output byte", distanceBeforeTheOutput(), "before the start of the output"},
        {"empty area", {}, "shorter than its 8-byte header"},
        {"seven bytes", {8, 0, 0, 0, 0, 0, 0}, "shorter than its 8-byte header"},
        {"packedSize 0", framing(0, 0), "below 8"},
        {"packedSize 7", framing(7, 0), "below 8"},
        {"packedSize past the room", framing(12, 0), "past its end"},
        {"packedSize 0xFFFFFFFF", framing(0xFFFFFFFF, 0), "past its end"},
        {"huge unpackedSize", framing(11, 0xFFFFFFFF), "unpacked size"},
    };
    for (const auto& c : cases) {
        const auto header = lzh::readAreaHeader(c.area);
        Bytes out(header && header->unpackedSize < 0x10000 ? header->unpackedSize : 10);
        const quarnel::Result result = lzh::LzhDecode(c.area, out);
        EXPECT_FALSE(result.ok()) << c.name;
        if (c.expected == "Bad table") {
            EXPECT_EQ(result.message, c.expected) << c.name;
        }
        EXPECT_NE(result.message.find(c.expected), std::string::npos) << c.name << ": " << result.message;
    }
}

TEST(LzhDecodeRefuses, TruncatedStreamsOfAWellFormedAreaNeverCrash) {
    // Cut anywhere, with packedSize fixed up: the rest reads as zero bits,
    // which either decodes or fails, never reads outside the room.
    const CanonicalCode litLen = CanonicalCode::covering(lzh::LitLenSymbols, {'a', 'b', 'c', 300, 400});
    const CanonicalCode position = CanonicalCode::covering(lzh::PosSymbols, {0, 1, 3, 9});
    Lh5StreamWriter w;
    w.blockHeader(6, litLen, position);
    for (char c : std::string("abcab")) w.literal(litLen, static_cast<std::uint8_t>(c));
    w.match(litLen, position, 47, 5);
    const Bytes whole = w.area(52);
    for (std::size_t size = 8; size < whole.size(); ++size) {
        Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        cut[0] = static_cast<std::uint8_t>(size);
        Bytes out(52);
        const quarnel::Result result = lzh::LzhDecode(cut, out);
        EXPECT_TRUE(result.ok() || !result.message.empty()) << size;
    }
}

}  // namespace
}  // namespace quarnel::test
