// The LZH codec of the ROM's compressed modules.
//
// A compressed area is two little-endian 32-bit sizes followed by an -lh5-
// bit stream:
//   offset 0  u32 packedSize    the whole area, these 8 bytes included
//   offset 4  u32 unpackedSize  bytes the stream unpacks to
//   offset 8  the bit stream (no end marker, no checksum)
//
// Every call keeps its state in an object of its own: calls are independent
// and may run on different threads at once. Nothing here allocates outside
// the call, prints or ends the process; failures come back as values.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "lzh/result.h"

namespace quarnel::lzh {

inline constexpr int WindowBits = 13;
inline constexpr int WindowSize = 1 << WindowBits;
inline constexpr int MinMatch = 3;
inline constexpr int MaxMatch = 256;
inline constexpr int LitLenSymbols = 510;
inline constexpr int PosSymbols = WindowBits + 1;
inline constexpr int LenCodeSymbols = 19;
inline constexpr int MaxCodeLength = 16;

// Bytes in front of the bit stream, and the closing zero byte the encoder
// appends behind it.
inline constexpr std::uint32_t AreaHeaderSize = 8;
inline constexpr std::uint32_t EncodeOverhead = AreaHeaderSize + 1;

struct AreaHeader {
    std::uint32_t packedSize = 0;
    std::uint32_t unpackedSize = 0;
};

// The framing of `area`; nothing when fewer than 8 bytes are given.
std::optional<AreaHeader> readAreaHeader(std::span<const std::uint8_t> area);

// Expands the compressed area at the start of `area` into `out`.
// `area` is everything the area may occupy: a packedSize beyond it (or below
// 8) is malformed. `out` must be exactly unpackedSize bytes long. Nothing is
// read outside `area` nor written outside `out`, whatever the stream holds.
// A stream that would need bits beyond its last byte is refused ("the
// stream ends before N bytes were decoded"): no well-formed stream does.
Result LzhDecode(std::span<const std::uint8_t> area, std::span<std::uint8_t> out);

// Takes the next piece of the output, in order; false stops the decoding.
using DecodeSink = std::function<bool(std::span<const std::uint8_t> piece)>;

// The same decoding in bounded memory: the output goes to `sink` piece by
// piece as it is decoded, whatever unpackedSize says. Pieces handed out
// before a failure are not taken back. When the sink stops the decoding the
// result is not ok and its message is empty.
Result LzhDecodeTo(std::span<const std::uint8_t> area, const DecodeSink& sink);

// The encoder's text buffer: two windows and a longest match of look-ahead.
// Where a match runs into the bytes past the input's end, which of several
// equally long candidates is taken depends on what those bytes hold: zeros
// in a fresh encoder, or whatever an earlier encoding left there in one that
// carries its buffer from one input to the next, as a ROM builder does from
// module to module. Only inputs shorter than WindowSize + MaxMatch bytes
// leave any of them unread.
inline constexpr std::size_t TextBufferSize = 2 * WindowSize + MaxMatch;
using TextBuffer = std::array<std::uint8_t, TextBufferSize>;

// The buffer an encoding of `source` that starts from `text` leaves behind,
// put into `text`. It follows from the bytes alone, so the buffer each of
// several inputs starts from can be known before any of them is encoded.
void CarryText(TextBuffer& text, std::span<const std::uint8_t> source);

struct LzhEncodeOptions {
    // Threads that find the matches of a long input; 0: one per hardware
    // thread. With 1, or below chunkedFrom bytes, everything runs in one pass
    // on the caller's thread. The bytes written are the same either way.
    unsigned threads = 0;
    std::size_t chunkedFrom = 1u << 20;
    // For tests: the chunk size and the warm-up before each stripe of one
    // to four chunks, rounded up to multiples of 8192 (0: chosen from the
    // input's size; 64 KiB).
    std::size_t chunkSize = 0;
    std::size_t warmUp = 0;
    // The text buffer to start from (see CarryText); none: zeros.
    const TextBuffer* startText = nullptr;
};

// How the matches of a chunked encoding were found.
struct LzhEncodeStats {
    std::uint32_t chunks = 0;       // 0: one pass
    // Checkpoints (a stripe's start, and two later places in its first
    // chunk) where the worker's tree proved equal to the exact one, and
    // where it did not.
    std::uint32_t provedSeams = 0;
    std::uint32_t fallbacks = 0;
    std::uint64_t positionsWalkedAgain = 0;  // by the exact tree, after fallbacks or a worker's failure
};

// What an encoding wrote, once it succeeded.
struct LzhEncoded {
    std::uint32_t size = 0; // bytes of the area written: packedSize, prefix and closing byte included
    // The stream decodes to the whole input. False when the stream would have
    // grown beyond the input read so far and was cut short there.
    bool complete = false;
    LzhEncodeStats stats;
};

// Compresses `source` into a compressed area at the start of `destination`,
// which must hold at least source.size() + EncodeOverhead bytes. A failure
// (BadData for unusable buffers, NoMemory) leaves nothing usable written.
Result LzhEncode(std::span<const std::uint8_t> source, std::span<std::uint8_t> destination, LzhEncoded& encoded,
                 const LzhEncodeOptions& options = {});

}  // namespace quarnel::lzh
