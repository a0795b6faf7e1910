// The decoder: the area's framing, then chunks of up to 8192 bytes, each made
// of literals and matches of the blocks' codes. The output itself serves as
// the window: a match copies from up to 8192 bytes back in it.
#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "lzh/lzh.h"
#include "lzh/lzh_decoder.h"

namespace quarnel::lzh {
namespace {

constexpr std::uint32_t FirstMatchSymbol = 256;

// Room for the window behind which the decoder slides, and for several
// chunks in front of it, so the window moves once per seven chunks.
constexpr std::size_t SlidingBufferSize = WindowSize + 7 * ChunkSize;

Result refuse(std::string_view message) { return {Outcome::BadData, std::string(message)}; }

Result refuse(DecodeFailure failure, const AreaHeader& header) {
    if (failure == StreamEndsEarly)
        return refuse("the stream ends before " + std::to_string(header.unpackedSize) + " bytes were decoded");
    return refuse(failure);
}

std::optional<Result> checkFraming(std::span<const std::uint8_t> area, const std::optional<AreaHeader>& header) {
    if (!header) return refuse("The compressed area is shorter than its 8-byte header");
    if (header->packedSize < AreaHeaderSize) return refuse("The compressed area's packed size is below 8");
    if (header->packedSize > area.size()) return refuse("The compressed area's packed size runs past its end");
    return std::nullopt;
}

std::span<const std::uint8_t> streamOf(std::span<const std::uint8_t> area, const AreaHeader& header) {
    return area.subspan(AreaHeaderSize, header.packedSize - AreaHeaderSize);
}

}  // namespace

Result LzhDecode(std::span<const std::uint8_t> area, std::span<std::uint8_t> out) {
    try {
        const std::optional<AreaHeader> header = readAreaHeader(area);
        if (auto refused = checkFraming(area, header)) return *refused;
        if (out.size() != header->unpackedSize)
            return refuse("The output buffer's size differs from the compressed area's unpacked size");

        LzhDecoder decoder(streamOf(area, *header), out);
        if (DecodeFailure failure = decoder.Run(); !failure.empty()) return refuse(failure, *header);
        return {};
    } catch (const std::bad_alloc&) {
        return {Outcome::NoMemory, "not enough memory to decode the compressed area"};
    }
}

Result LzhDecodeTo(std::span<const std::uint8_t> area, const DecodeSink& sink) {
    try {
        const std::optional<AreaHeader> header = readAreaHeader(area);
        if (auto refused = checkFraming(area, header)) return *refused;

        std::vector<std::uint8_t> window(SlidingBufferSize);
        LzhDecoder decoder(streamOf(area, *header), window);
        const DecodeFailure failure = decoder.RunInto(header->unpackedSize, sink);
        // Stopped by the sink, which knows why.
        if (failure == LzhDecoder::Stopped) return {Outcome::CantWrite, {}};
        if (!failure.empty()) return refuse(failure, *header);
        return {};
    } catch (const std::bad_alloc&) {
        return {Outcome::NoMemory, "not enough memory to decode the compressed area"};
    }
}

LzhDecoder::LzhDecoder(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out)
    : bits(stream), output(out) {}

DecodeFailure LzhDecoder::Run() {
    for (std::size_t done = 0; done < output.size();) {
        const std::size_t n = std::min<std::size_t>(output.size() - done, ChunkSize);
        DecodeChunk(done, done + n);
        if (!CheckStreamEnd()) return failure;
        done += n;
    }
    return {};
}

DecodeFailure LzhDecoder::RunInto(std::uint64_t total, const DecodeSink& sink) {
    std::size_t r = 0;
    for (std::uint64_t done = 0; done < total;) {
        if (r == output.size()) {
            const std::size_t shift = r - WindowSize;
            std::memmove(output.data(), output.data() + shift, WindowSize);
            copyFrom -= shift;  // a pending match reads at most WindowSize bytes back
            r = WindowSize;
        }
        const std::size_t n = static_cast<std::size_t>(
            std::min<std::uint64_t>({total - done, output.size() - r, static_cast<std::uint64_t>(ChunkSize)}));
        DecodeChunk(r, r + n);
        if (!CheckStreamEnd()) return failure;
        if (!sink(output.subspan(r, n))) return Stopped;
        r += n;
        done += n;
    }
    return {};
}

bool LzhDecoder::CheckStreamEnd() {
    if (bits.Overran()) failure = StreamEndsEarly;
    return failure.empty();
}

// Fills output bytes r to end - 1, one chunk. A match cut at the end of the
// chunk goes on at the start of the next one; one cut at the end of the
// output is dropped.
void LzhDecoder::DecodeChunk(std::size_t r, std::size_t end) {
    BitReader in = bits;
    std::uint8_t* const out = output.data();
    r = CopyMatch(r, end);
    while (r < end) {
        const std::uint32_t c = DecodeLitLen(in);
        if (c < FirstMatchSymbol) {
            out[r++] = static_cast<std::uint8_t>(c);
            continue;
        }
        if (c >= LitLenSymbols) break;  // the block header was refused
        copyLeft = c - (FirstMatchSymbol - MinMatch);
        const std::uint32_t distance = DecodePosition(in) + 1;
        if (distance > r) {
            Fail("A match reaches back before the start of the output");
            break;
        }
        copyFrom = r - distance;
        r = CopyMatch(r, end);
    }
    bits = in;
}

// Copies the pending match to output byte r onward, up to `end`; returns the
// offset behind the last byte copied.
inline std::size_t LzhDecoder::CopyMatch(std::size_t r, std::size_t end) {
    const std::size_t count = std::min<std::size_t>(copyLeft, end - r);
    if (count == 0) return r;
    copyLeft -= count;
    std::uint8_t* const to = output.data() + r;
    const std::uint8_t* const from = output.data() + copyFrom;
    const std::size_t distance = r - copyFrom;
    copyFrom += count;
    // Copied 8 bytes at a time where the source is at least 8 bytes back and
    // the output has room: each step then reads only bytes already final,
    // and the up to 15 bytes written past the match are written again before
    // anything reads them. Most matches are short: two steps take them.
    if (distance >= 8 && r + count + 16 <= output.size()) {
        std::memcpy(to, from, 8);
        std::memcpy(to + 8, from + 8, 8);
        for (std::size_t k = 16; k < count; k += 8) std::memcpy(to + k, from + k, 8);
    } else if (distance == 1) {
        std::memset(to, *from, count);  // a run of one byte, as in the fill of a ROM
    } else {
        // Closer sources overlap the copy, which repeats, byte by byte, what
        // it has just written.
        for (std::size_t k = 0; k < count; ++k) to[k] = from[k];
    }
    return r + count;
}

// One literal/length symbol; a block header first when the block is used up.
// A failed header gives LitLenSymbols, which is no symbol.
inline std::uint32_t LzhDecoder::DecodeLitLen(BitReader& in) {
    if (blockSymbolsLeft == 0) {
        bits = in;
        const bool read = ReadBlockHeader();
        in = bits;
        if (!read) return LitLenSymbols;
    }
    --blockSymbolsLeft;
    return DecodeSymbol<LitLenTableBits>(in, litLenLookup.data(), litLenLookupLength.data(), LitLenSymbols,
                                         codec.litLenLengths.data());
}

// The distance less one: the position symbol j gives j - 1 extra bits below
// a leading 1 bit.
inline std::uint32_t LzhDecoder::DecodePosition(BitReader& in) {
    const std::uint32_t j = DecodeSymbol<SmallTableBits>(in, smallLookup.data(), smallLookupLength.data(), PosSymbols,
                                                         codec.smallLengths.data());
    if (j == 0) return 0;
    return in.ReadBits(static_cast<int>(j) - 1) + (1u << (j - 1));
}

bool LzhDecoder::Fail(DecodeFailure reason) {
    failure = reason;
    return false;
}

}  // namespace quarnel::lzh
