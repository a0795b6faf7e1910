// The block output: collects the driver's items (literals and matches) in an
// item buffer while counting their symbols, and when the buffer is full up
// to its margin, or at the end, writes them as one block: the item count,
// the three code-length tables and every item in the block's codes.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

#include "bit_writer.h"
#include "codec_state.h"

namespace quarnel::lzh {

inline constexpr std::uint32_t ItemBufferSize = 16384;
// A group of eight matches and its flag byte take 25 bytes; a new group
// starts only below this margin from the end.
inline constexpr std::uint32_t ItemBufferMargin = 24;

class BlockOutput {
public:
    // StartBlockOutput: the counts start cleared and no bits are pending.
    BlockOutput(LzhCodecState& codec, std::uint8_t* streamOut) : codec_(codec), bits_(codec, streamOut) {}

    // symbol 0 to 255: a literal; 256 to 509: a match of symbol - 253 bytes
    // at distance d + 1 (d is ignored for a literal). May send a block first.
    //
    // Items are stored in groups of up to eight behind a flag byte whose
    // bits, from bit 7 down, mark the group's matches. A literal takes its
    // byte; a match its length less 3, then d high byte first.
    void PutItem(int symbol, int d) {
        flagMask_ >>= 1;
        if (flagMask_ == 0) [[unlikely]] {
            if (!OpenGroup()) return;
        }
        itemBuffer_[itemPos_++] = static_cast<std::uint8_t>(symbol);
        ++litLenFreq_[symbol];
        if (symbol >= 256) {
            itemBuffer_[flagPos_] |= static_cast<std::uint8_t>(flagMask_);
            itemBuffer_[itemPos_++] = static_cast<std::uint8_t>(d >> 8);
            itemBuffer_[itemPos_++] = static_cast<std::uint8_t>(d);
            ++posFreq_[std::bit_width(static_cast<unsigned>(d))];
        }
    }
    // Sends the last block and pads its last byte with 0 bits.
    void FinishBlockOutput();

    bool unpackable() const { return bits_.unpackable(); }
    std::uint8_t* streamOut() const { return bits_.streamOut(); }

private:
    bool OpenGroup();
    void SendBlock();
    void CountLenCodeFreq();
    void WriteLitLenLengths();
    void WriteSmallLengths(int n, int countBits, int zeroRunAfter);
    void PutLenCodeSymbol(int symbol) { bits_.PutBits(codec_.smallLengths[symbol], smallCodes_[symbol]); }
    std::uint64_t ItemBits() const;
    template <class Bits>
    void WriteItems(Bits& bits, int itemCount);

    LzhCodecState& codec_;
    BitWriter bits_;

    std::array<std::uint8_t, ItemBufferSize> itemBuffer_{};
    std::uint32_t itemPos_ = 0;
    std::uint32_t flagPos_ = 0;
    std::uint32_t flagMask_ = 0;  // flag bit of the next item; 0: a new group opens

    // Symbol counts, then the inner nodes' sums while a code is built.
    std::array<std::uint16_t, 2 * LitLenSymbols - 1> litLenFreq_{};
    std::array<std::uint16_t, 2 * PosSymbols - 1> posFreq_{};
    std::array<std::uint16_t, 2 * LenCodeSymbols - 1> lenCodeFreq_{};
    std::array<std::uint16_t, LitLenSymbols> litLenCodes_{};
    std::array<std::uint16_t, LenCodeSymbols> smallCodes_{};  // the length code, later the position code
};

}  // namespace quarnel::lzh
