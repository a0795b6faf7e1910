// The decoder: the area's framing, then chunks of up to 8192 bytes decoded
// into the window, each made of literals and matches of the blocks' codes.
#include <algorithm>
#include <cstring>
#include <new>

#include "lzh/lzh.h"
#include "lzh/lzh_decoder.h"

namespace quarnel::lzh {
namespace {

constexpr std::uint32_t WindowMask = WindowSize - 1;
constexpr std::uint32_t FirstMatchSymbol = 256;

LzhDecodeResult refuse(std::string_view message) { return {false, std::string(message)}; }

}  // namespace

LzhDecodeResult LzhDecode(std::span<const std::uint8_t> area, std::span<std::uint8_t> out) {
    try {
        const std::optional<AreaHeader> header = readAreaHeader(area);
        if (!header) return refuse("The compressed area is shorter than its 8-byte header");
        if (header->packedSize < AreaHeaderSize) return refuse("The compressed area's packed size is below 8");
        if (header->packedSize > area.size()) return refuse("The compressed area's packed size runs past its end");
        if (out.size() != header->unpackedSize)
            return refuse("The output buffer's size differs from the compressed area's unpacked size");

        LzhDecoder decoder(area.subspan(AreaHeaderSize, header->packedSize - AreaHeaderSize), out);
        if (DecodeFailure failure = decoder.Run(); !failure.empty()) return refuse(failure);
        return {true, {}};
    } catch (const std::bad_alloc&) {
        return refuse("Out of memory.");
    }
}

LzhDecoder::LzhDecoder(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out)
    : streamPtr(stream.data()), outPtr(out.data()) {
    codec.packedBytes = static_cast<std::uint32_t>(stream.size());
    codec.unpackedSize = static_cast<std::uint32_t>(out.size());
}

DecodeFailure LzhDecoder::Run() {
    SkipBits(16);
    for (std::uint32_t remaining = codec.unpackedSize; remaining != 0;) {
        const int n = static_cast<int>(std::min<std::uint32_t>(remaining, ChunkSize));
        DecodeChunk(n);
        if (!failure.empty()) return failure;
        std::memcpy(outPtr, window.data(), n);
        outPtr += n;
        produced += n;
        remaining -= n;
    }
    return {};
}

// Fills window indexes 0 to n - 1 with the next n output bytes. A match cut at
// the end of the chunk goes on at the start of the next one; one cut at the
// end of the output is dropped.
void LzhDecoder::DecodeChunk(int n) {
    int r = CopyMatch(0, n);
    while (r < n) {
        const std::uint32_t c = DecodeLitLen();
        if (c < FirstMatchSymbol) {
            window[r++] = static_cast<std::uint8_t>(c);
            continue;
        }
        if (!failure.empty()) return;
        copyLeft = c - (FirstMatchSymbol - MinMatch);
        const std::uint32_t distance = DecodePosition() + 1;
        if (distance > produced + r) {
            Fail("A match reaches back before the start of the output");
            return;
        }
        copyFrom = (r - distance) & WindowMask;
        r = CopyMatch(r, n);
    }
}

// Copies the pending match to window index r onward, up to the chunk's end;
// returns the index behind the last byte copied.
int LzhDecoder::CopyMatch(int r, int n) {
    const std::uint32_t count = std::min<std::uint32_t>(copyLeft, n - r);
    copyLeft -= count;
    const std::uint32_t from = copyFrom;
    copyFrom = (from + count) & WindowMask;
    // Byte by byte, the copy repeats what it has just written when the source
    // runs into the destination; a block copy gives the same bytes otherwise.
    const bool contiguous = from + count <= WindowSize;
    if (contiguous && (from >= static_cast<std::uint32_t>(r) || from + count <= static_cast<std::uint32_t>(r))) {
        std::memmove(&window[r], &window[from], count);
        return r + static_cast<int>(count);
    }
    for (std::uint32_t k = 0; k < count; ++k) window[r + k] = window[(from + k) & WindowMask];
    return r + static_cast<int>(count);
}

// One literal/length symbol; a block header first when the block is used up.
// A failed header gives LitLenSymbols, which is no symbol.
std::uint32_t LzhDecoder::DecodeLitLen() {
    if (blockSymbolsLeft == 0 && !ReadBlockHeader()) return LitLenSymbols;
    --blockSymbolsLeft;
    return DecodeSymbol<LitLenTableBits>(litLenLookup.data(), LitLenSymbols, codec.litLenLengths.data());
}

// The distance less one: the position symbol j gives j - 1 extra bits below
// a leading 1 bit.
std::uint32_t LzhDecoder::DecodePosition() {
    const std::uint32_t j = DecodeSymbol<SmallTableBits>(smallLookup.data(), PosSymbols, codec.smallLengths.data());
    if (j == 0) return 0;
    return ReadBits(static_cast<int>(j) - 1) + (1u << (j - 1));
}

bool LzhDecoder::Fail(DecodeFailure reason) {
    failure = reason;
    return false;
}

}  // namespace quarnel::lzh
