// The decoder's bit reader: the stream is read most significant bit first,
// and zero bits stand in for everything behind its last byte, so that the
// lookahead can always be taken. Bits read ahead are not bits consumed:
// Overran() tells whether the decoder has consumed any of the stand-ins.
#pragma once

#include <cstdint>
#include <span>

namespace quarnel::lzh {

struct BitReader {
    std::uint16_t lookahead = 0;  // always the next 16 unread bits
    // Stream bytes read ahead; its low bitCount bits are unread (16 to 64 of
    // them between calls, so that lookahead can be taken from them).
    std::uint64_t byteBuffer = 0;
    std::int32_t bitCount = 0;
    std::uint32_t packedBytes = 0;  // stream bytes not yet read
    std::uint32_t paddingBytes = 0; // zero bytes taken in behind the stream's last byte
    const std::uint8_t* streamPtr = nullptr;

    explicit BitReader(std::span<const std::uint8_t> stream)
        : packedBytes(static_cast<std::uint32_t>(stream.size())), streamPtr(stream.data()) {
        SkipBits(0);
    }

    void SkipBits(int n) {
        bitCount -= n;
        if (bitCount < 16) Refill();
        lookahead = static_cast<std::uint16_t>(byteBuffer >> (bitCount - 16));
    }

    std::uint32_t ReadBits(int n) {
        const std::uint32_t bits = std::uint32_t{lookahead} >> (16 - n);
        SkipBits(n);
        return bits;
    }

    // The bits consumed reach beyond the stream's last byte: fewer bits are
    // unread than the zero bytes shifted in behind it.
    bool Overran() const { return static_cast<std::int64_t>(bitCount) < 8 * std::int64_t{paddingBytes}; }

private:
    // Brings the unread bits to at least 56 by shifting whole bytes in,
    // several at a time while the stream has them.
    void Refill() {
        if (packedBytes >= 8) {
            const int bytes = (63 - bitCount) / 8;
            byteBuffer = byteBuffer << (8 * bytes) | LoadBigEndian64(streamPtr) >> (64 - 8 * bytes);
            streamPtr += bytes;
            packedBytes -= bytes;
            bitCount += 8 * bytes;
            return;
        }
        for (; bitCount <= 56; bitCount += 8) byteBuffer = byteBuffer << 8 | NextStreamByte();
    }

    std::uint8_t NextStreamByte() {
        if (packedBytes == 0) {
            ++paddingBytes;
            return 0;
        }
        --packedBytes;
        return *streamPtr++;
    }

    static std::uint64_t LoadBigEndian64(const std::uint8_t* p) {
        return std::uint64_t{p[0]} << 56 | std::uint64_t{p[1]} << 48 | std::uint64_t{p[2]} << 40 |
               std::uint64_t{p[3]} << 32 | std::uint64_t{p[4]} << 24 | std::uint64_t{p[5]} << 16 |
               std::uint64_t{p[6]} << 8 | std::uint64_t{p[7]};
    }
};

}  // namespace quarnel::lzh
