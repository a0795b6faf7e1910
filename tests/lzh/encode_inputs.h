// Deterministic inputs for the encoder's tests: text, runs, random bytes and
// a mix of them long enough to slide the window many times.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string_view>
#include <vector>

namespace quarnel::test {

using Bytes = std::vector<std::uint8_t>;

// xorshift32: the same bytes on every platform and library.
class TestRandom {
public:
    explicit TestRandom(std::uint32_t seed) : state_(seed ? seed : 1) {}
    std::uint32_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    std::uint32_t below(std::uint32_t n) { return next() % n; }
    // A seed for another generator, far from this one's own sequence.
    std::uint32_t seed() { return next() * 2654435761u; }

private:
    std::uint32_t state_;
};

inline Bytes bytesOf(std::string_view s) { return Bytes(s.begin(), s.end()); }

inline Bytes randomBytes(std::size_t n, std::uint32_t seed) {
    TestRandom random(seed);
    Bytes out(n);
    for (auto& b : out) b = static_cast<std::uint8_t>(random.next() >> 24);
    return out;
}

inline Bytes englishText(std::size_t n, std::uint32_t seed = 7) {
    static constexpr std::string_view words[] = {
        "the ",   "system ", "board ", "chassis ", "serial ", "number ", "version ", "of ",  "a ",
        "BIOS ",  "image ",  "holds ", "modules ", "and ",    "each ",   "one ",     "is ",  "packed ",
        "with ",  "codes ",  "for ",   "strings ", "UUID ",   "vendor ", "product ", "to ",  "be ",
        "flashed. ", "When ", "it ",   "boots, ",  "reads ",  "tables\n"};
    TestRandom random(seed);
    Bytes out;
    while (out.size() < n) {
        const std::string_view w = words[random.below(std::size(words))];
        out.insert(out.end(), w.begin(), w.end());
    }
    out.resize(n);
    return out;
}

// Runs of one byte value of 1 to 700 bytes.
inline Bytes byteRuns(std::size_t n, std::uint32_t seed) {
    TestRandom random(seed);
    Bytes out;
    while (out.size() < n) out.insert(out.end(), 1 + random.below(700), static_cast<std::uint8_t>(random.next()));
    out.resize(n);
    return out;
}

// About 100 KiB of random bytes, text, runs, and copies of earlier stretches
// from every distance class up to the far edge of the window, some of them
// with a byte changed.
inline Bytes mixedInput() {
    TestRandom random(20261208);
    Bytes out = englishText(3000);
    static constexpr std::size_t distances[] = {1, 2, 3, 16, 255, 1000, 4096, 8191, 8192, 8193};
    static constexpr std::size_t lengths[] = {3, 4, 5, 8, 17, 64, 200, 255, 256, 257, 300};
    while (out.size() < 100 * 1024) {
        switch (random.below(5)) {
            case 0: {
                const Bytes noise = randomBytes(1 + random.below(3000), random.seed());
                out.insert(out.end(), noise.begin(), noise.end());
                break;
            }
            case 1: {
                const Bytes text = englishText(1 + random.below(2000), random.seed());
                out.insert(out.end(), text.begin(), text.end());
                break;
            }
            case 2:
                out.insert(out.end(), 1 + random.below(900), static_cast<std::uint8_t>(random.next()));
                break;
            default: {
                const std::size_t distance = std::min(out.size(), distances[random.below(std::size(distances))]);
                const std::size_t length = lengths[random.below(std::size(lengths))];
                const std::size_t from = out.size() - distance;
                for (std::size_t i = 0; i < length; ++i) out.push_back(out[from + i]);
                if (random.below(2)) out.back() ^= 0x5A;
                break;
            }
        }
    }
    return out;
}

}  // namespace quarnel::test
