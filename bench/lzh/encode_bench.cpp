// Encode throughput (bytes of input per second) on each seabios blob and on
// the 16 MiB x86 corpus. Target: 40 MB/s or more.
#include <benchmark/benchmark.h>

#include <memory>

#include "corpus.h"
#include "lzh/lzh.h"

namespace quarnel::bench {
namespace {

void encodeBenchmark(benchmark::State& state, const std::vector<std::uint8_t>& plain) {
    std::vector<std::uint8_t> area(plain.size() + lzh::EncodeOverhead);
    lzh::LzhEncodeResult result;
    for (auto _ : state) {
        result = lzh::LzhEncode(plain, area);
        benchmark::DoNotOptimize(area.data());
    }
    if (!result.ok) state.SkipWithError(result.message.c_str());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * plain.size()));
    state.counters["ratio"] = static_cast<double>(result.size) / static_cast<double>(plain.size());
}

const bool registered = [] {
    for (const auto& blob : seabiosBlobs()) {
        auto plain = std::make_shared<std::vector<std::uint8_t>>(readFile(blob));
        benchmark::RegisterBenchmark(("LzhEncode/" + blob.filename().string()).c_str(),
                                     [plain](benchmark::State& state) { encodeBenchmark(state, *plain); });
    }
    benchmark::RegisterBenchmark("LzhEncode/x86-corpus-16MiB", [](benchmark::State& state) {
        static const std::vector<std::uint8_t> corpus = x86Corpus();
        encodeBenchmark(state, corpus);
    })->Unit(benchmark::kMillisecond);
    return true;
}();

}  // namespace
}  // namespace quarnel::bench
