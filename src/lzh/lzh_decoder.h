// The state of one LzhDecode call: the bit reader, the open block, the
// pending match and the decoding tables. The output is the window.
//
// A failure (a malformed table or distance) is kept in `failure`; the steps
// above a failing one stop as soon as they see it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "lzh/bit_reader.h"
#include "lzh/codec_state.h"
#include "lzh/decode_table.h"
#include "lzh/lzh.h"

namespace quarnel::lzh {

inline constexpr int ChunkSize = 8192;
// The failure of a stream that needs bits beyond its last byte; LzhDecode
// words it with the number of bytes that were due.
inline constexpr DecodeFailure StreamEndsEarly = "the stream ends early";

class LzhDecoder {
public:
    LzhDecoder(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out);

    // Writes all of `out`; empty when the stream was well formed.
    DecodeFailure Run();
    // Decodes `total` bytes through `out` as a sliding window: each chunk
    // goes to `sink` as soon as it is decoded, and when `out` is full its
    // last WindowSize bytes move to its start. `out` must be longer than
    // WindowSize. A sink that returns false stops it with `Stopped`.
    DecodeFailure RunInto(std::uint64_t total, const DecodeSink& sink);
    static constexpr DecodeFailure Stopped = "stopped";

private:
    void DecodeChunk(std::size_t r, std::size_t end);
    // After a chunk: a stream read beyond its end is what failed, whatever
    // the zero bits read in its place made of the rest.
    bool CheckStreamEnd();
    [[gnu::always_inline]] std::size_t CopyMatch(std::size_t r, std::size_t end);
    // The symbol loop reads through a copy of the bit reader held in
    // registers; the block header reads through `bits` itself.
    [[gnu::always_inline]] std::uint32_t DecodeLitLen(BitReader& in);
    [[gnu::always_inline]] std::uint32_t DecodePosition(BitReader& in);

    // The block header, in stream order.
    bool ReadBlockHeader();
    bool ReadSmallLengths(int symbolCount, int countBits, int zeroRunAfter);
    bool ReadSmallLength(int i);
    bool ReadLitLenLengths();
    bool Fail(DecodeFailure reason);

    // One symbol of a code: a table look at the next tableBits bits, then the
    // tree for codes longer than that.
    template <int tableBits>
    std::uint32_t DecodeSymbol(BitReader& in, const std::uint16_t* table, const std::uint8_t* tableLengths,
                               int symbolCount, const std::uint8_t* lengths) const {
        const std::uint32_t entry = in.lookahead >> (16 - tableBits);
        std::uint32_t j = table[entry];
        if (j < static_cast<std::uint32_t>(symbolCount)) {
            in.SkipBits(tableLengths[entry]);
            return j;
        }
        for (std::uint32_t mask = 1u << (15 - tableBits); j >= static_cast<std::uint32_t>(symbolCount); mask >>= 1)
            j = (in.lookahead & mask) ? codec.treeOne[j] : codec.treeZero[j];
        in.SkipBits(lengths[j]);
        return j;
    }

    LzhCodecState codec;
    BitReader bits;
    std::span<std::uint8_t> output;      // also the window of the matches
    std::uint32_t blockSymbolsLeft = 0;  // 0: a block header comes next
    std::size_t copyLeft = 0;            // bytes of the current match still to copy
    std::size_t copyFrom = 0;            // output offset of the next match byte
    DecodeFailure failure;
    std::array<std::uint16_t, 1 << LitLenTableBits> litLenLookup{};
    std::array<std::uint16_t, 1 << SmallTableBits> smallLookup{};
    // The code length of each lookup entry's symbol.
    std::array<std::uint8_t, 1 << LitLenTableBits> litLenLookupLength{};
    std::array<std::uint8_t, 1 << SmallTableBits> smallLookupLength{};
};

}  // namespace quarnel::lzh
