// Load, rebuild and write of the 1 MiB benchmark image, in process.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench_image.h"
#include "image/rom_image.h"
#include "platform/image_files.h"

namespace {

namespace fs = std::filesystem;

const fs::path& benchImage() {
    static const fs::path path = [] {
        fs::path file = fs::temp_directory_path() / "quarnel-bench-image.rom";
        if (!quarnel::bench::writeBenchImage(file.string())) std::abort();
        return file;
    }();
    return path;
}

void LoadImage(benchmark::State& state) {
    const std::string input = benchImage().string();
    quarnel::image::RomImage rom;
    for (auto _ : state)
        if (!quarnel::platform::loadImage(rom, input).ok()) state.SkipWithError("load failed");
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(input)));
}
BENCHMARK(LoadImage)->Unit(benchmark::kMillisecond);

void LoadRebuildWrite(benchmark::State& state) {
    const std::string input = benchImage().string();
    const std::string output = (fs::temp_directory_path() / "quarnel-bench-out.rom").string();
    quarnel::image::RomImage rom;
    for (auto _ : state) {
        // The rebuild changes the list in place: every rebuild needs a fresh load.
        if (!quarnel::platform::loadImage(rom, input).ok() || !quarnel::platform::rebuildImage(rom, output).ok())
            state.SkipWithError("rebuild failed");
    }
    fs::remove(output);
}
BENCHMARK(LoadRebuildWrite)->Unit(benchmark::kMillisecond);

}  // namespace
