// Deterministic inputs for the encoder's tests: text, runs and random bytes.
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

}  // namespace quarnel::test
