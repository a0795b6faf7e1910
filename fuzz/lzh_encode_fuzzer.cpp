// LzhEncode on arbitrary inputs: every complete stream must decode back to
// its input, and every area must be framed as the result says.
//
// Short inputs seldom reach the match finder's corners (the far edge of the
// window, slides, leaves replaced by 256-byte matches), so the first byte
// chooses how the rest is expanded into up to 64 KiB:
//   mode 0  the bytes as they are
//   mode 1  the bytes repeated, one byte changed in every copy
//   mode 2  the bytes as a script of literals and copies from up to 16 KiB back
// Bit 7 of the second byte forces the matches to be found in chunks of 8192
// to 24576 bytes with small warm-ups on 2 or 3 threads; the area must then be
// the one-pass area, byte for byte.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "lzh/lzh.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t MaxExpanded = 64 * 1024;

void check(bool condition) {
    if (!condition) std::abort();
}

Bytes repeatWithChanges(const std::uint8_t* data, std::size_t size, std::size_t target) {
    Bytes out;
    if (size == 0) return out;
    for (std::size_t copy = 0; out.size() < target; ++copy) {
        const std::size_t start = out.size();
        out.insert(out.end(), data, data + size);
        out[start + (copy * 7919) % size] ^= static_cast<std::uint8_t>(copy | 1);
    }
    return out;
}

// The script is read round and round in triples (a, b, c): a below 0x40
// puts the literals b and c; otherwise a copy of b + 1 bytes (bit 6 of a
// adds 256 more) from ((a & 0x3F) << 8 | c) + 1 bytes back.
Bytes runScript(const std::uint8_t* data, std::size_t size, std::size_t target) {
    Bytes out;
    if (size < 3) return Bytes(data, data + size);
    for (std::size_t i = 0; out.size() < target; i = (i + 3) % (size - size % 3)) {
        const std::uint8_t a = data[i], b = data[i + 1], c = data[i + 2];
        if (a < 0x40 || out.empty()) {
            out.push_back(b);
            out.push_back(c);
            continue;
        }
        const std::size_t distance = std::min<std::size_t>(out.size(), ((a & 0x3Fu) << 8 | c) + 1);
        const std::size_t length = b + 1u + ((a & 0x40) ? 256u : 0u);
        const std::size_t from = out.size() - distance;
        for (std::size_t k = 0; k < length && out.size() < target; ++k) out.push_back(out[from + k]);
    }
    return out;
}

Bytes expand(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return {};
    const std::uint8_t control = data[0];
    const std::size_t target = std::min(MaxExpanded, std::size_t{1024} * (1 + (control >> 2)));
    switch (control & 3) {
        case 1: return repeatWithChanges(data + 1, size - 1, target);
        case 2: return runScript(data + 1, size - 1, target);
        default: return Bytes(data + 1, data + size);
    }
}

std::uint32_t word(const Bytes& area, std::size_t at) {
    return area[at] | area[at + 1] << 8 | area[at + 2] << 16 | std::uint32_t{area[at + 3]} << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quarnel::lzh;
    const Bytes input = expand(data, size);
    Bytes area(input.size() + EncodeOverhead);
    LzhEncodeOptions onePass;
    onePass.threads = 1;
    LzhEncoded result;
    const quarnel::Result encoded = LzhEncode(input, area, result, onePass);
    if (size >= 2 && (data[1] & 0x80)) {
        LzhEncodeOptions chunked;
        chunked.threads = 2 + (data[1] & 1);
        chunked.chunkedFrom = 0;
        chunked.chunkSize = 8192 * (1 + (data[1] >> 1 & 3) % 3);
        chunked.warmUp = 8192 * (1 + (data[1] >> 3 & 1));
        Bytes again(area.size());
        LzhEncoded other;
        check(LzhEncode(input, again, other, chunked).ok() && other.size == result.size &&
              other.complete == result.complete);
        check(std::equal(area.begin(), area.begin() + result.size, again.begin()));
    }
    check(encoded.ok());
    check(result.size >= EncodeOverhead && result.size <= area.size());
    check(word(area, 0) == result.size);
    check(word(area, 4) <= input.size());
    check(area[result.size - 1] == 0);
    if (!result.complete) {
        check(result.size - EncodeOverhead <= word(area, 4));
        return 0;
    }
    check(word(area, 4) == input.size());
    area.resize(result.size);
    Bytes decoded(input.size());
    check(LzhDecode(area, decoded).ok());
    check(decoded == input);
    return 0;
}
