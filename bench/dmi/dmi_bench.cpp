// Extract and Pack of the sample image inside one process: what the window
// does on a click, without the process start that cli-timings.sh includes.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <stdexcept>

#include "dmi/dmi_edit.h"
#include "dmi/dmi_workflow.h"
#include "sample/sample_image.h"

namespace {

namespace fs = std::filesystem;
using namespace quarnel;

struct SampleFiles {
    SampleFiles() {
        fs::create_directories(dir);
        if (!sample::writeSampleImage(bios).ok()) throw std::runtime_error("the sample image can't be written");
    }
    ~SampleFiles() { fs::remove_all(dir); }
    fs::path dir = fs::temp_directory_path() / "quarnel-dmi-bench";
    std::string bios = (dir / "bios.rom").string();
    std::string out = (dir / "new.rom").string();
};

void BM_Extract(benchmark::State& state) {
    SampleFiles files;
    for (auto _ : state) {
        dmi::DmiSession session;
        if (!dmi::extractDmi(session, files.bios).ok()) state.SkipWithError("Extract failed");
    }
}
BENCHMARK(BM_Extract)->Unit(benchmark::kMillisecond);

void BM_Pack(benchmark::State& state) {
    SampleFiles files;
    dmi::DmiSession session;
    if (!dmi::extractDmi(session, files.bios).ok()) state.SkipWithError("Extract failed");
    dmi::applyFieldEdit(session.state, 1, 1, "Benchmark Maker");
    for (auto _ : state)
        if (!dmi::packDmi(session, {files.bios, files.out, {}, {}}).ok()) state.SkipWithError("Pack failed");
}
BENCHMARK(BM_Pack)->Unit(benchmark::kMillisecond);

}  // namespace
