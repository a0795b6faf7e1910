#include "support/lh5_stream_writer.h"

#include <algorithm>
#include <bit>
#include <numeric>
#include <random>

namespace quarnel::test {

void BitWriter::put(std::uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
        if (bitLength_ % 8 == 0) bytes_.push_back(0);
        if ((value >> i) & 1) bytes_.back() |= static_cast<std::uint8_t>(0x80 >> (bitLength_ % 8));
        ++bitLength_;
    }
}

CanonicalCode CanonicalCode::fromLengths(std::vector<std::uint8_t> lengths) {
    CanonicalCode code{std::move(lengths), {}};
    code.codes.assign(code.lengths.size(), 0);
    std::uint32_t next = 0;  // left-aligned in 16 bits
    for (int len = 1; len <= 16; ++len) {
        for (std::size_t symbol = 0; symbol < code.lengths.size(); ++symbol) {
            if (code.lengths[symbol] != len) continue;
            code.codes[symbol] = static_cast<std::uint16_t>(next >> (16 - len));
            next += 1u << (16 - len);
        }
    }
    return code;
}

CanonicalCode CanonicalCode::covering(int alphabet, std::vector<int> used) {
    if (used.empty()) {
        used.resize(alphabet);
        std::iota(used.begin(), used.end(), 0);
    }
    const int count = static_cast<int>(used.size());
    const int longest = std::bit_width(static_cast<unsigned>(count - 1));
    const int shorter = (1 << longest) - count;  // these take one bit less
    std::vector<std::uint8_t> lengths(alphabet, 0);
    for (int i = 0; i < count; ++i) lengths[used[i]] = static_cast<std::uint8_t>(i < shorter ? longest - 1 : longest);
    return fromLengths(std::move(lengths));
}

void CanonicalCode::write(BitWriter& out, int symbol) const { out.put(codes[symbol], lengths[symbol]); }

CanonicalCode standardLengthCode() {
    std::vector<std::uint8_t> lengths(19, 4);
    std::fill(lengths.begin() + 13, lengths.end(), 5);  // 13/16 + 6/32 = 1
    return CanonicalCode::fromLengths(std::move(lengths));
}

void Lh5StreamWriter::smallLengths(std::span<const std::uint8_t> lengths, int countBits, bool hasZeroRun,
                                   int zeroRun) {
    bits.put(static_cast<std::uint32_t>(lengths.size()), countBits);
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        const int len = lengths[i];
        if (len < 7) {
            bits.put(static_cast<std::uint32_t>(len), 3);
        } else {
            bits.put(7, 3);
            for (int ones = len - 7; ones > 0; --ones) bits.put(1, 1);
            bits.put(0, 1);
        }
        if (hasZeroRun && i == 2) {
            bits.put(static_cast<std::uint32_t>(zeroRun), 2);
            i += static_cast<std::size_t>(zeroRun);
        }
    }
}

void Lh5StreamWriter::litLenLengths(const CanonicalCode& litLen, const CanonicalCode& lengthCode) {
    std::size_t n = litLen.lengths.size();
    while (n > 0 && litLen.lengths[n - 1] == 0) --n;
    bits.put(static_cast<std::uint32_t>(n), 9);
    for (std::size_t i = 0; i < n;) {
        if (litLen.lengths[i] != 0) {
            lengthCode.write(bits, litLen.lengths[i++] + 2);
            continue;
        }
        std::size_t run = 0;
        while (i + run < n && litLen.lengths[i + run] == 0) ++run;
        i += run;
        if (run >= 20) {
            lengthCode.write(bits, 2);
            bits.put(static_cast<std::uint32_t>(run - 20), 9);
        } else if (run >= 3) {
            lengthCode.write(bits, 1);
            bits.put(static_cast<std::uint32_t>(run - 3), 4);
        } else {
            for (; run > 0; --run) lengthCode.write(bits, 0);
        }
    }
}

void Lh5StreamWriter::blockHeader(std::uint16_t symbols, const CanonicalCode& litLen, const CanonicalCode& position) {
    blockSize(symbols);
    const CanonicalCode lengthCode = standardLengthCode();
    smallLengths(lengthCode.lengths, 5, true, 0);
    litLenLengths(litLen, lengthCode);
    std::size_t n = position.lengths.size();
    while (n > 0 && position.lengths[n - 1] == 0) --n;
    smallLengths(std::span(position.lengths).first(n), 4, false);
}

int positionSymbol(int distance) { return std::bit_width(static_cast<unsigned>(distance - 1)); }

void Lh5StreamWriter::match(const CanonicalCode& litLen, const CanonicalCode& position, int length, int distance) {
    litLen.write(bits, length + 253);
    const int j = positionSymbol(distance);
    position.write(bits, j);
    if (j >= 2) bits.put(static_cast<std::uint32_t>(distance - 1) & ((1u << (j - 1)) - 1), j - 1);
}

std::vector<std::uint8_t> Lh5StreamWriter::area(std::uint32_t unpackedSize) const {
    std::vector<std::uint8_t> out;
    const auto packedSize = static_cast<std::uint32_t>(bits.bytes().size() + 8);
    for (std::uint32_t value : {packedSize, unpackedSize})
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    out.insert(out.end(), bits.bytes().begin(), bits.bytes().end());
    return out;
}

std::vector<std::uint8_t> expandItems(std::span<const Item> items, std::size_t limit) {
    std::vector<std::uint8_t> out;
    for (const Item& item : items) {
        if (item.literal >= 0) {
            out.push_back(static_cast<std::uint8_t>(item.literal));
        } else {
            for (int k = 0; k < item.length; ++k) out.push_back(out[out.size() - item.distance]);
        }
    }
    if (out.size() > limit) out.resize(limit);
    return out;
}

namespace {

// Leaves are split at random until every symbol has one: a complete code.
CanonicalCode randomCode(std::mt19937& random, int alphabet) {
    std::vector<int> symbols(alphabet);
    std::iota(symbols.begin(), symbols.end(), 0);
    std::shuffle(symbols.begin(), symbols.end(), random);
    std::vector<int> depths = {1, 1};
    while (depths.size() < symbols.size()) {
        const std::size_t leaf = random() % depths.size();
        if (depths[leaf] == 16) continue;
        ++depths[leaf];
        depths.push_back(depths[leaf]);
    }
    std::vector<std::uint8_t> lengths(alphabet, 0);
    for (std::size_t i = 0; i < symbols.size(); ++i) lengths[symbols[i]] = static_cast<std::uint8_t>(depths[i]);
    return CanonicalCode::fromLengths(std::move(lengths));
}

}  // namespace

RandomStream makeRandomStream(std::uint32_t seed, int blocks) {
    std::mt19937 random(seed);
    std::vector<Item> items;
    Lh5StreamWriter w;
    std::size_t produced = 0;
    for (int block = 0; block < blocks; ++block) {
        const CanonicalCode litLen = randomCode(random, 510);
        const CanonicalCode position = randomCode(random, 14);
        const int itemCount = 1 + static_cast<int>(random() % 2000);
        w.blockHeader(static_cast<std::uint16_t>(itemCount), litLen, position);
        for (int i = 0; i < itemCount; ++i) {
            if (produced == 0 || random() % 3 == 0) {
                const Item item{static_cast<int>(random() % 256)};
                w.literal(litLen, static_cast<std::uint8_t>(item.literal));
                items.push_back(item);
                ++produced;
                continue;
            }
            const int farthest = static_cast<int>(std::min<std::size_t>(produced, 8192));
            const Item item{-1, 3 + static_cast<int>(random() % 254), 1 + static_cast<int>(random() % farthest)};
            w.match(litLen, position, item.length, item.distance);
            items.push_back(item);
            produced += static_cast<std::size_t>(item.length);
        }
    }
    return {w.area(static_cast<std::uint32_t>(produced)), expandItems(items, produced)};
}

}  // namespace quarnel::test
