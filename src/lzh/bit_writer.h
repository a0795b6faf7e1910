// The encoder's bit writer: fields go out most significant bit first, and
// the stream never grows beyond the input read so far. The first byte that
// would break that limit makes the stream unpackable: it and every later
// byte are dropped.
#pragma once

#include <cstdint>

#include "codec_state.h"

namespace quarnel::lzh {

class BitWriter {
public:
    BitWriter(LzhCodecState& codec, std::uint8_t* streamOut) : codec_(codec), streamOut_(streamOut) {
        codec_.bitCount = 8;
    }

    // Appends the low n bits of x (n from 0 to 16, x below 2^n).
    // codec.bitCount counts the free bits of the byte being filled (8: none pending).
    void PutBits(int n, std::uint32_t x) {
        if (n < codec_.bitCount) {
            codec_.bitCount -= n;
            pendingBits_ |= x << codec_.bitCount;
            return;
        }
        n -= codec_.bitCount;
        WriteByte(pendingBits_ | (x >> n));
        if (n < 8) {
            codec_.bitCount = 8 - n;
        } else {
            WriteByte(x >> (n - 8));
            codec_.bitCount = 16 - n;
        }
        pendingBits_ = x << codec_.bitCount;
    }

    bool unpackable() const { return unpackable_; }
    std::uint8_t* streamOut() const { return streamOut_; }

private:
    // Only the low 8 bits of `bits` are written.
    void WriteByte(std::uint32_t bits) {
        if (!unpackable_ && codec_.packedBytes < codec_.unpackedSize) {
            *streamOut_++ = static_cast<std::uint8_t>(bits);
            ++codec_.packedBytes;
        } else {
            unpackable_ = true;
        }
    }

    LzhCodecState& codec_;
    std::uint8_t* streamOut_;
    std::uint32_t pendingBits_ = 0;  // bit 7 is the first bit of the byte being filled
    bool unpackable_ = false;
};

}  // namespace quarnel::lzh
