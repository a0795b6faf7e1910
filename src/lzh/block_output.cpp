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

// A new group's flag byte, after sending a block when the buffer is full;
// false when the stream became unpackable.
bool BlockOutput::OpenGroup() {
    flagMask_ = 0x80;
    if (itemPos_ >= ItemBufferSize - ItemBufferMargin) {
        SendBlock();
        if (unpackable()) return false;
        itemPos_ = 0;
    }
    flagPos_ = itemPos_;
    itemBuffer_[itemPos_++] = 0;
    return true;
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

    // One limit check for the whole block when it fits; else byte by byte.
    if (bits_.Fits(ItemBits())) {
        BitWriter::Unchecked bits(bits_);
        WriteItems(bits, itemCount);
        bits.Finish();
    } else {
        WriteItems(bits_, itemCount);
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

// The bits that WriteItems will send: the codes of the counted symbols, and
// the bits below a distance's leading 1 bit.
std::uint64_t BlockOutput::ItemBits() const {
    std::uint64_t bits = 0;
    for (int s = 0; s < LitLenSymbols; ++s) bits += std::uint64_t{litLenFreq_[s]} * codec_.litLenLengths[s];
    for (int j = 0; j < PosSymbols; ++j)
        bits += std::uint64_t{posFreq_[j]} * static_cast<unsigned>(codec_.smallLengths[j] + std::max(j - 1, 0));
    return bits;
}

// A literal goes out as its code; a match as the code of its length, then
// d as its position symbol and the bits below its leading 1 bit.
template <class Bits>
void BlockOutput::WriteItems(Bits& bits, int itemCount) {
    const std::uint8_t* const items = itemBuffer_.data();
    const std::uint8_t* const litLenLengths = codec_.litLenLengths.data();
    const std::uint16_t* const litLenCodes = litLenCodes_.data();
    const std::uint8_t* const posLengths = codec_.smallLengths.data();
    const std::uint16_t* const posCodes = smallCodes_.data();
    std::uint32_t at = 0;
    unsigned flags = 0;
    for (int item = 0; item < itemCount; ++item) {
        if (item % 8 == 0)
            flags = items[at++];
        else
            flags <<= 1;
        if (flags & 0x80) {
            const int symbol = items[at] + 256;
            const auto d = static_cast<unsigned>(items[at + 1] << 8 | items[at + 2]);
            at += 3;
            const int j = PositionSymbol(static_cast<int>(d));
            bits.PutBits(litLenLengths[symbol], litLenCodes[symbol]);
            bits.PutBits(posLengths[j], posCodes[j]);
            if (j >= 2) bits.PutBits(j - 1, d & ((1u << (j - 1)) - 1));
        } else {
            const int symbol = items[at++];
            bits.PutBits(litLenLengths[symbol], litLenCodes[symbol]);
        }
        if (bits.unpackable()) return;
    }
}

}  // namespace quarnel::lzh
