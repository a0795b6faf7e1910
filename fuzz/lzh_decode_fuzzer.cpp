// LzhDecode on arbitrary areas: whatever the bytes, it must return (a result
// or a failure) without reading outside the area or writing outside the
// output. The unpacked size is taken from the area as a caller would, up to
// 1 MiB so that the fuzzer stays fast.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "lzh/lzh.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::uint32_t LargestOutput = 1u << 20;
    const std::span<const std::uint8_t> area(data, size);
    const auto header = quarnel::lzh::readAreaHeader(area);
    if (!header || header->unpackedSize > LargestOutput) return -1;  // not worth keeping in the corpus
    std::vector<std::uint8_t> out(header->unpackedSize);
    const quarnel::Result result = quarnel::lzh::LzhDecode(area, out);
    if (!result.ok() && result.message.empty()) __builtin_trap();  // every failure says why
    return 0;
}
