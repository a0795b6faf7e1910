// Encode throughput (bytes of input per second) on each seabios blob and on
// the 16 MiB x86 corpus, in one pass; and on the corpus with its matches
// found in chunks on 2 threads and on all (wall time). Targets: 2x jlha in
// one pass, 40 MB/s with all threads (bench/encode-speed.sh compares them
// with jlha in one run).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "corpus.h"
#include "lzh/lzh.h"

namespace quarnel::bench {
namespace {

void encodeBenchmark(benchmark::State& state, const std::vector<std::uint8_t>& plain, unsigned threads = 1) {
    std::vector<std::uint8_t> area(plain.size() + lzh::EncodeOverhead);
    lzh::LzhEncodeOptions options;
    options.threads = threads;
    lzh::LzhEncoded result;
    Result encoded;
    for (auto _ : state) {
        encoded = lzh::LzhEncode(plain, area, result, options);
        benchmark::DoNotOptimize(area.data());
    }
    if (!encoded.ok()) state.SkipWithError(encoded.message.c_str());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * plain.size()));
    state.counters["ratio"] = static_cast<double>(result.size) / static_cast<double>(plain.size());
    state.counters["seams proved"] = result.stats.provedSeams;
    state.counters["fallbacks"] = result.stats.fallbacks;
}

const std::vector<std::uint8_t>& corpus() {
    static const std::vector<std::uint8_t> bytes = x86Corpus();
    return bytes;
}

const bool registered = [] {
    for (const auto& blob : seabiosBlobs()) {
        auto plain = std::make_shared<std::vector<std::uint8_t>>(readFile(blob));
        benchmark::RegisterBenchmark(("LzhEncode/" + blob.filename().string()).c_str(),
                                     [plain](benchmark::State& state) { encodeBenchmark(state, *plain); });
    }
    benchmark::RegisterBenchmark("LzhEncode/x86-corpus-16MiB", [](benchmark::State& state) {
        encodeBenchmark(state, corpus());
    })->Unit(benchmark::kMillisecond);
    for (const unsigned threads : {2u, 0u}) {
        const std::string name = "LzhEncode/x86-corpus-16MiB/threads:" + (threads ? std::to_string(threads) : "all");
        benchmark::RegisterBenchmark(name.c_str(), [threads](benchmark::State& state) {
            encodeBenchmark(state, corpus(), threads);
        })->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    return true;
}();

}  // namespace
}  // namespace quarnel::bench
