// Decode throughput (bytes of output per second) on areas that LzhEncode
// made of each seabios blob and of the 16 MiB x86 corpus.
#include <benchmark/benchmark.h>

#include "corpus.h"
#include "lzh/lzh.h"

namespace quarnel::bench {
namespace {

std::vector<std::uint8_t> compress(const std::vector<std::uint8_t>& plain) {
    std::vector<std::uint8_t> area(plain.size() + lzh::EncodeOverhead);
    lzh::LzhEncoded encoded;
    const bool ok = lzh::LzhEncode(plain, area, encoded).ok();
    area.resize(ok && encoded.complete ? encoded.size : 0);
    return area;
}

void decodeBenchmark(benchmark::State& state, const std::vector<std::uint8_t>& plain) {
    const std::vector<std::uint8_t> area = compress(plain);
    if (area.empty()) {
        state.SkipWithError("the input could not be compressed");
        return;
    }
    std::vector<std::uint8_t> out(plain.size());
    for (auto _ : state) {
        const quarnel::Result result = lzh::LzhDecode(area, out);
        benchmark::DoNotOptimize(out.data());
        if (!result.ok()) state.SkipWithError(result.message.c_str());
    }
    if (out != plain) state.SkipWithError("the decoded bytes differ from the input");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * plain.size()));
    state.counters["ratio"] = static_cast<double>(area.size()) / static_cast<double>(plain.size());
}

const bool registered = [] {
    for (const auto& blob : seabiosBlobs()) {
        auto plain = std::make_shared<std::vector<std::uint8_t>>(readFile(blob));
        benchmark::RegisterBenchmark(("LzhDecode/" + blob.filename().string()).c_str(),
                                     [plain](benchmark::State& state) { decodeBenchmark(state, *plain); });
    }
    benchmark::RegisterBenchmark("LzhDecode/x86-corpus-16MiB", [](benchmark::State& state) {
        static const std::vector<std::uint8_t> corpus = x86Corpus();
        decodeBenchmark(state, corpus);
    })->Unit(benchmark::kMillisecond);
    return true;
}();

}  // namespace
}  // namespace quarnel::bench
