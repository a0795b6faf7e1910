// A block header: the block's symbol count, then the code lengths of the
// length code, of the literal/length code (sent in the length code) and of
// the position code. Each table either lists lengths or, with a count of 0,
// names the code's single symbol, which is then read with no bits at all.
#include <algorithm>

#include "lzh/lzh_decoder.h"

namespace quarnel::lzh {
namespace {

constexpr std::uint32_t BlockSizeOfZero = 65536;
constexpr int LenCodeCountBits = 5;
constexpr int PosCodeCountBits = 4;
constexpr int LitLenCountBits = 9;
// The length code sends a 2-bit run of zero lengths behind its third length.
constexpr int LenCodeZeroRunAfter = 3;
constexpr int NoZeroRun = -1;
constexpr int UnaryLengthStart = 7;

}  // namespace

bool LzhDecoder::ReadBlockHeader() {
    const std::uint32_t blockSize = bits.ReadBits(16);
    blockSymbolsLeft = blockSize == 0 ? BlockSizeOfZero : blockSize;
    return ReadSmallLengths(LenCodeSymbols, LenCodeCountBits, LenCodeZeroRunAfter) && ReadLitLenLengths() &&
           ReadSmallLengths(PosSymbols, PosCodeCountBits, NoZeroRun);
}

// The length code (19 symbols) or the position code (14 symbols). The 4-bit
// count of the position code can say 15: the fifteenth length belongs to no
// symbol and is read and dropped.
bool LzhDecoder::ReadSmallLengths(int symbolCount, int countBits, int zeroRunAfter) {
    const int n = static_cast<int>(bits.ReadBits(countBits));
    if (n == 0) {
        const std::uint32_t v = bits.ReadBits(countBits);
        if (v >= static_cast<std::uint32_t>(symbolCount))
            return Fail("Bad table: a single-symbol code names no symbol");
        std::fill_n(codec.smallLengths.begin(), symbolCount, std::uint8_t{0});
        smallLookup.fill(static_cast<std::uint16_t>(v));
        smallLookupLength.fill(0);
        return true;
    }
    if (n > static_cast<int>(codec.smallLengths.size())) return Fail("Bad table: the length code's count is above 19");

    int i = 0;
    while (i < n) {
        if (!ReadSmallLength(i)) return false;
        ++i;
        if (i == zeroRunAfter) {
            for (std::uint32_t z = bits.ReadBits(2); z > 0; --z) codec.smallLengths[i++] = 0;
        }
    }
    std::fill(codec.smallLengths.begin() + std::min(i, symbolCount), codec.smallLengths.begin() + symbolCount,
              std::uint8_t{0});
    const DecodeFailure tableFailure =
        BuildDecodeTable(symbolCount, codec.smallLengths, SmallTableBits, smallLookup, {codec.treeZero, codec.treeOne});
    if (!tableFailure.empty()) return Fail(tableFailure);
    FillLookupLengths(symbolCount, codec.smallLengths, smallLookup, smallLookupLength);
    return true;
}

// 3 bits, or for 7 and more: 111, a run of 1 bits that adds one each, and a 0.
bool LzhDecoder::ReadSmallLength(int i) {
    int len = bits.lookahead >> 13;
    if (len == UnaryLengthStart) {
        for (std::uint32_t mask = 1u << 12; (bits.lookahead & mask) != 0; mask >>= 1) ++len;
    }
    if (len > MaxCodeLength) return Fail("Bad table: a code length is above 16");
    bits.SkipBits(len < UnaryLengthStart ? 3 : len - 3);
    codec.smallLengths[i] = static_cast<std::uint8_t>(len);
    return true;
}

// The literal/length lengths, each sent as a length-code symbol: 0, 1 and 2
// stand for runs of zero lengths, 3 to 18 for the lengths 1 to 16.
bool LzhDecoder::ReadLitLenLengths() {
    const int n = static_cast<int>(bits.ReadBits(LitLenCountBits));
    if (n == 0) {
        const std::uint32_t v = bits.ReadBits(LitLenCountBits);
        if (v >= LitLenSymbols) return Fail("Bad table: a single-symbol code names no symbol");
        codec.litLenLengths.fill(0);
        litLenLookup.fill(static_cast<std::uint16_t>(v));
        litLenLookupLength.fill(0);
        return true;
    }
    if (n > LitLenSymbols) return Fail("Bad table: the literal/length count is above 510");

    int i = 0;
    while (i < n) {
        const std::uint32_t t = DecodeSymbol<SmallTableBits>(bits, smallLookup.data(), smallLookupLength.data(),
                                                             LenCodeSymbols, codec.smallLengths.data());
        if (t > 2) {
            codec.litLenLengths[i++] = static_cast<std::uint8_t>(t - 2);
            continue;
        }
        const std::uint32_t run = t == 0 ? 1 : t == 1 ? bits.ReadBits(4) + 3 : bits.ReadBits(9) + 20;
        if (i + run > LitLenSymbols) return Fail("Bad table: a run of zero lengths reaches past symbol 509");
        std::fill_n(codec.litLenLengths.begin() + i, run, std::uint8_t{0});
        i += static_cast<int>(run);
    }
    std::fill(codec.litLenLengths.begin() + i, codec.litLenLengths.end(), std::uint8_t{0});
    const DecodeFailure tableFailure = BuildDecodeTable(LitLenSymbols, codec.litLenLengths, LitLenTableBits,
                                                        litLenLookup, {codec.treeZero, codec.treeOne});
    if (!tableFailure.empty()) return Fail(tableFailure);
    FillLookupLengths(LitLenSymbols, codec.litLenLengths, litLenLookup, litLenLookupLength);
    return true;
}

}  // namespace quarnel::lzh
