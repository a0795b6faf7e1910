// The state of one LzhDecode call: the bit reader, the open block, the
// pending match, the window and the decoding tables.
//
// A failure (a malformed table or distance) is kept in `failure`; the steps
// above a failing one stop as soon as they see it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "lzh/codec_state.h"
#include "lzh/decode_table.h"

namespace quarnel::lzh {

inline constexpr int ChunkSize = 8192;

class LzhDecoder {
public:
    LzhDecoder(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out);

    // Writes all of `out`; empty when the stream was well formed.
    DecodeFailure Run();

private:
    void DecodeChunk(int n);
    int CopyMatch(int r, int n);
    std::uint32_t DecodeLitLen();
    std::uint32_t DecodePosition();

    // The block header, in stream order.
    bool ReadBlockHeader();
    bool ReadSmallLengths(int symbolCount, int countBits, int zeroRunAfter);
    bool ReadSmallLength(int i);
    bool ReadLitLenLengths();
    bool Fail(DecodeFailure reason);

    // Bit reader: `lookahead` always holds the next 16 unread bits; zero bits
    // stand in for everything behind the stream's last byte.
    void SkipBits(int n) {
        lookahead = static_cast<std::uint16_t>(std::uint32_t{lookahead} << n);
        while (n > codec.bitCount) {
            n -= codec.bitCount;
            lookahead |= static_cast<std::uint16_t>(std::uint32_t{byteBuffer} << n);
            byteBuffer = NextStreamByte();
            codec.bitCount = 8;
        }
        codec.bitCount -= n;
        lookahead |= static_cast<std::uint16_t>(byteBuffer >> codec.bitCount);
    }
    std::uint16_t NextStreamByte() {
        if (codec.packedBytes == 0) return 0;
        --codec.packedBytes;
        return *streamPtr++;
    }
    std::uint32_t ReadBits(int n) {
        const std::uint32_t bits = std::uint32_t{lookahead} >> (16 - n);
        SkipBits(n);
        return bits;
    }

    // One symbol of a code: a table look at the next tableBits bits, then the
    // tree for codes longer than that.
    template <int tableBits>
    std::uint32_t DecodeSymbol(const std::uint16_t* table, int symbolCount, const std::uint8_t* lengths) {
        std::uint32_t j = table[lookahead >> (16 - tableBits)];
        for (std::uint32_t mask = 1u << (15 - tableBits); j >= static_cast<std::uint32_t>(symbolCount); mask >>= 1)
            j = (lookahead & mask) ? codec.treeOne[j] : codec.treeZero[j];
        SkipBits(lengths[j]);
        return j;
    }

    LzhCodecState codec;
    std::uint16_t lookahead = 0;
    std::uint16_t byteBuffer = 0;
    const std::uint8_t* streamPtr;
    std::uint8_t* outPtr;
    std::uint32_t blockSymbolsLeft = 0;  // 0: a block header comes next
    std::uint32_t copyLeft = 0;          // bytes of the current match still to copy
    std::uint32_t copyFrom = 0;          // window index of the next match byte
    std::size_t produced = 0;            // output bytes before the current chunk
    DecodeFailure failure;
    std::array<std::uint8_t, WindowSize> window{};
    std::array<std::uint16_t, 1 << LitLenTableBits> litLenLookup{};
    std::array<std::uint16_t, 1 << SmallTableBits> smallLookup{};
};

}  // namespace quarnel::lzh
