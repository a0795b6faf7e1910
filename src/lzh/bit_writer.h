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

    // Whether `bits` more bits complete only bytes that stay within the limit.
    bool Fits(std::uint64_t bits) const {
        const std::uint64_t bytes = (static_cast<std::uint64_t>(8 - codec_.bitCount) + bits) / 8;
        return !unpackable_ && codec_.packedBytes + bytes <= codec_.unpackedSize;
    }

    // Fields that Fits() has cleared: no limit check, 32 bits stored at a
    // time. The writer takes the fields over until Finish().
    class Unchecked {
    public:
        explicit Unchecked(BitWriter& writer)
            : writer_(writer),
              out_(writer.streamOut_),
              held_(8 - writer.codec_.bitCount),
              bits_((writer.pendingBits_ & 0xFF) >> writer.codec_.bitCount) {}

        void PutBits(int n, std::uint32_t x) {
            bits_ = bits_ << n | x;
            held_ += n;
            if (held_ >= 32) {
                held_ -= 32;
                const auto word = static_cast<std::uint32_t>(bits_ >> held_);
                out_[0] = static_cast<std::uint8_t>(word >> 24);
                out_[1] = static_cast<std::uint8_t>(word >> 16);
                out_[2] = static_cast<std::uint8_t>(word >> 8);
                out_[3] = static_cast<std::uint8_t>(word);
                out_ += 4;
            }
        }
        static constexpr bool unpackable() { return false; }

        void Finish() {
            while (held_ >= 8) {
                held_ -= 8;
                *out_++ = static_cast<std::uint8_t>(bits_ >> held_);
            }
            writer_.codec_.packedBytes += static_cast<std::uint32_t>(out_ - writer_.streamOut_);
            writer_.streamOut_ = out_;
            writer_.codec_.bitCount = 8 - held_;
            writer_.pendingBits_ = static_cast<std::uint32_t>(bits_ << writer_.codec_.bitCount) & 0xFF;
        }

    private:
        BitWriter& writer_;
        std::uint8_t* out_;
        int held_;             // bits not yet stored, the low ones of bits_
        std::uint64_t bits_;   // higher bits are stale
    };

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
