#include "block_output.h"

#include <algorithm>
#include <bit>

#include "huffman_code.h"

namespace quarnel::lzh {
namespace {

// The position symbol of d: its number of significant bits.
int PositionSymbol(int d) { return std::bit_width(static_cast<unsigned>(d)); }

// One past the last non-zero length.
template <std::size_t N>
int UsedLength(const std::array<std::uint8_t, N>& lengths, int n) {
    while (n > 0 && lengths[n - 1] == 0) --n;
    return n;
}

// The maximal run of zero lengths from `from` on, within the first n.
int ZeroRunLength(const std::array<std::uint8_t, LitLenSymbols>& lengths, int from, int n) {
    int i = from;
    while (i < n && lengths[i] == 0) ++i;
    return i - from;
}

}  // namespace

// Items are stored in groups of up to eight behind a flag byte whose bits,
// from bit 7 down, mark the group's matches. A literal takes its byte; a
// match its length less 3, then d high byte first.
void BlockOutput::PutItem(int symbol, int d) {
    flagMask_ >>= 1;
    if (flagMask_ == 0) {
        flagMask_ = 0x80;
        if (itemPos_ >= ItemBufferSize - ItemBufferMargin) {
            SendBlock();
            if (unpackable()) return;
            itemPos_ = 0;
        }
        flagPos_ = itemPos_;
        itemBuffer_[itemPos_++] = 0;
    }
    itemBuffer_[itemPos_++] = static_cast<std::uint8_t>(symbol);
    ++litLenFreq_[symbol];
    if (symbol >= 256) {
        itemBuffer_[flagPos_] |= static_cast<std::uint8_t>(flagMask_);
        itemBuffer_[itemPos_++] = static_cast<std::uint8_t>(d >> 8);
        itemBuffer_[itemPos_++] = static_cast<std::uint8_t>(d);
        ++posFreq_[PositionSymbol(d)];
    }
}

void BlockOutput::FinishBlockOutput() {
    if (unpackable()) return;
    SendBlock();
    bits_.PutBits(7, 0);
}

// The block's item count is the sum of the literal/length counts, that is
// the root's sum, or the only symbol's count.
void BlockOutput::SendBlock() {
    int root = BuildCode(LitLenSymbols, litLenFreq_, codec_.litLenLengths, litLenCodes_, codec_);
    const int itemCount = litLenFreq_[root];
    bits_.PutBits(16, static_cast<std::uint32_t>(itemCount));
    if (root >= LitLenSymbols) {
        CountLenCodeFreq();
        const int lenCodeRoot = BuildCode(LenCodeSymbols, lenCodeFreq_, codec_.smallLengths, smallCodes_, codec_);
        if (lenCodeRoot >= LenCodeSymbols) {
            WriteSmallLengths(LenCodeSymbols, 5, 3);
        } else {
            bits_.PutBits(5, 0);
            bits_.PutBits(5, static_cast<std::uint32_t>(lenCodeRoot));
        }
        WriteLitLenLengths();
    } else {
        // One literal/length symbol (or none): both tables in their one-symbol form.
        bits_.PutBits(5, 0);
        bits_.PutBits(5, 0);
        bits_.PutBits(9, 0);
        bits_.PutBits(9, static_cast<std::uint32_t>(root));
    }
    root = BuildCode(PosSymbols, posFreq_, codec_.smallLengths, smallCodes_, codec_);
    if (root >= PosSymbols) {
        WriteSmallLengths(PosSymbols, 4, -1);
    } else {
        bits_.PutBits(4, 0);
        bits_.PutBits(4, static_cast<std::uint32_t>(root));
    }

    std::uint32_t at = 0;
    unsigned flags = 0;
    for (int item = 0; item < itemCount; ++item) {
        if (item % 8 == 0)
            flags = itemBuffer_[at++];
        else
            flags <<= 1;
        if (flags & 0x80) {
            PutLitLen(itemBuffer_[at] + 256);
            PutPosition((itemBuffer_[at + 1] << 8) | itemBuffer_[at + 2]);
            at += 3;
        } else {
            PutLitLen(itemBuffer_[at++]);
        }
        if (unpackable()) return;
    }
    litLenFreq_.fill(0);
    posFreq_.fill(0);
}

// Counts what WriteLitLenLengths will send: length k as symbol k + 2, a run
// of zero lengths as symbols 0, 1 or 2.
void BlockOutput::CountLenCodeFreq() {
    std::fill_n(lenCodeFreq_.begin(), LenCodeSymbols, std::uint16_t{0});
    const int n = UsedLength(codec_.litLenLengths, LitLenSymbols);
    for (int i = 0; i < n;) {
        const int length = codec_.litLenLengths[i];
        if (length != 0) {
            ++lenCodeFreq_[length + 2];
            ++i;
            continue;
        }
        const int run = ZeroRunLength(codec_.litLenLengths, i, n);
        i += run;
        if (run <= 2) {
            lenCodeFreq_[0] = static_cast<std::uint16_t>(lenCodeFreq_[0] + run);
        } else if (run <= 18) {
            ++lenCodeFreq_[1];
        } else if (run == 19) {
            ++lenCodeFreq_[0];
            ++lenCodeFreq_[1];
        } else {
            ++lenCodeFreq_[2];
        }
    }
}

void BlockOutput::WriteLitLenLengths() {
    const int n = UsedLength(codec_.litLenLengths, LitLenSymbols);
    bits_.PutBits(9, static_cast<std::uint32_t>(n));
    for (int i = 0; i < n;) {
        const int length = codec_.litLenLengths[i];
        if (length != 0) {
            PutLenCodeSymbol(length + 2);
            ++i;
            continue;
        }
        const int run = ZeroRunLength(codec_.litLenLengths, i, n);
        i += run;
        if (run <= 2) {
            for (int k = 0; k < run; ++k) PutLenCodeSymbol(0);
        } else if (run <= 18) {
            PutLenCodeSymbol(1);
            bits_.PutBits(4, static_cast<std::uint32_t>(run - 3));
        } else if (run == 19) {
            PutLenCodeSymbol(0);
            PutLenCodeSymbol(1);
            bits_.PutBits(4, 15);
        } else {
            PutLenCodeSymbol(2);
            bits_.PutBits(9, static_cast<std::uint32_t>(run - 20));
        }
    }
}

// Lengths up to 6 take 3 bits; 7 and more are 111 followed by k - 7 one bits
// and a zero. For the length code a 2-bit count of the zero lengths at
// indexes 3 to 5 follows index 2, also when they lie beyond n.
void BlockOutput::WriteSmallLengths(int n, int countBits, int zeroRunAfter) {
    n = UsedLength(codec_.smallLengths, n);
    bits_.PutBits(countBits, static_cast<std::uint32_t>(n));
    for (int i = 0; i < n;) {
        const int length = codec_.smallLengths[i++];
        if (length <= 6)
            bits_.PutBits(3, static_cast<std::uint32_t>(length));
        else
            bits_.PutBits(length - 3, (1u << (length - 3)) - 2);
        if (i == zeroRunAfter) {
            while (i < 6 && codec_.smallLengths[i] == 0) ++i;
            bits_.PutBits(2, static_cast<std::uint32_t>(i - 3));
        }
    }
}

// d goes out as its position symbol, then the bits below its leading 1 bit.
void BlockOutput::PutPosition(int d) {
    const int j = PositionSymbol(d);
    bits_.PutBits(codec_.smallLengths[j], smallCodes_[j]);
    if (j >= 2) bits_.PutBits(j - 1, static_cast<std::uint32_t>(d) & ((1u << (j - 1)) - 1));
}

}  // namespace quarnel::lzh
