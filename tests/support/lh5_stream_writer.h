// Hand-built -lh5- bit streams for tests: an MSB-first bit writer, canonical
// codes made from chosen lengths, and a writer of block headers and items
// that can also put out fields no well-formed stream holds.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace quarnel::test {

class BitWriter {
public:
    // The low `bits` bits of value, most significant first.
    void put(std::uint32_t value, int bits);
    std::size_t bitLength() const { return bitLength_; }
    // The bits so far, the last byte filled with zero bits.
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t bitLength_ = 0;
};

// The canonical prefix code of the stream format for the given lengths
// (0 = symbol not used): shorter codes first, equal lengths by symbol.
struct CanonicalCode {
    std::vector<std::uint8_t> lengths;
    std::vector<std::uint16_t> codes;

    static CanonicalCode fromLengths(std::vector<std::uint8_t> lengths);
    // A complete code over `alphabet` symbols in which exactly `used` (two or
    // more; all when empty) get lengths, as even as the code space allows.
    static CanonicalCode covering(int alphabet, std::vector<int> used = {});
    // The symbol whose code the next bits hold; -1 when none does.
    template <typename Reader> int read(Reader& bits) const {
        for (std::uint32_t len = 1, code = bits.read(1); len <= 16; ++len, code = code << 1 | bits.read(1))
            for (std::size_t s = 0; s < lengths.size(); ++s)
                if (lengths[s] == len && codes[s] == code) return static_cast<int>(s);
        return -1;
    }
    void write(BitWriter& out, int symbol) const;
};

// The length code that Lh5StreamWriter uses for every literal/length table:
// all 19 symbols, lengths 4 and 5.
CanonicalCode standardLengthCode();

class Lh5StreamWriter {
public:
    BitWriter bits;  // for fields written by hand

    void blockSize(std::uint16_t symbols) { bits.put(symbols, 16); }
    // A small-code table: count (countBits), then each length; for the
    // length code the 2-bit zero run `zeroRun` follows the third length and
    // the lengths it covers are not written.
    void smallLengths(std::span<const std::uint8_t> lengths, int countBits, bool hasZeroRun, int zeroRun = 0);
    void singleSymbol(int value, int countBits) {
        bits.put(0, countBits);
        bits.put(static_cast<std::uint32_t>(value), countBits);
    }
    // The literal/length lengths sent in `lengthCode` (whose lengths must be
    // written before): up to the last non-zero length, runs of zeros as the
    // run symbols 0, 1 and 2.
    void litLenLengths(const CanonicalCode& litLen, const CanonicalCode& lengthCode);

    // A whole block header: the standard length code, `litLen`, `position`.
    void blockHeader(std::uint16_t symbols, const CanonicalCode& litLen, const CanonicalCode& position);

    void literal(const CanonicalCode& litLen, std::uint8_t byte) { litLen.write(bits, byte); }
    // A match of `length` bytes (3 to 256) from `distance` bytes back (1 to 8192).
    void match(const CanonicalCode& litLen, const CanonicalCode& position, int length, int distance);

    // The compressed area: packedSize, unpackedSize, the stream bytes.
    std::vector<std::uint8_t> area(std::uint32_t unpackedSize) const;
};

// The position symbol of a distance: the number of significant bits of d = distance - 1.
int positionSymbol(int distance);

// Plain LZ77 expansion of an item list, the reference the decoder must match.
struct Item {
    int literal = -1;  // the byte, or -1 for a match
    int length = 0;
    int distance = 0;
};
std::vector<std::uint8_t> expandItems(std::span<const Item> items, std::size_t limit);

// A stream of `blocks` blocks, each with random complete codes (lengths up to
// 16) over all symbols and random literals and matches, and the bytes it
// unpacks to.
struct RandomStream {
    std::vector<std::uint8_t> area;
    std::vector<std::uint8_t> expected;
};
RandomStream makeRandomStream(std::uint32_t seed, int blocks);

}  // namespace quarnel::test
