// Runs the system's LZH archivers on files in a temporary folder.
#include <filesystem>

#include "support/lzh_member.h"
#include "support/test_files.h"

namespace quarnel::test {
namespace {

const std::string LhasaPath = "/usr/bin/lhasa";
const std::string JlhaPath = "/usr/bin/jlha";

}  // namespace

bool lhasaAvailable() { return std::filesystem::exists(LhasaPath); }
bool jlhaAvailable() { return std::filesystem::exists(JlhaPath); }

LhasaExtraction extractWithLhasa(std::span<const std::uint8_t> archive) {
    TempDir dir;
    const std::filesystem::path archivePath = dir.path() / "member.lzh";
    if (dir.path().empty() || !writeFile(archivePath, archive)) return {};
    const std::string archiveName = shellQuoted(archivePath.string());
    const CommandRun printed = runCommand(LhasaPath + " pq " + archiveName);
    return {printed.status == 0, runCommand(LhasaPath + " tq " + archiveName).status == 0,
            std::vector<std::uint8_t>(printed.out.begin(), printed.out.end())};
}

std::optional<std::vector<std::uint8_t>> compressWithJlha(std::span<const std::uint8_t> data) {
    TempDir dir;
    if (dir.path().empty() || !writeFile(dir.path() / "data.bin", data)) return std::nullopt;
    if (runCommand("cd " + shellQuoted(dir.path().string()) + " && " + JlhaPath + " ao5q archive.lzh data.bin").status != 0)
        return std::nullopt;
    std::vector<std::uint8_t> archive = readFile(dir.path() / "archive.lzh");
    if (archive.empty()) return std::nullopt;
    return archive;
}

}  // namespace quarnel::test
