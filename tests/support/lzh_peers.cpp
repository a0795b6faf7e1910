// Runs the system's LZH archivers on files in a temporary folder.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <sstream>
#include <string>
#include <string_view>

#include "support/lzh_member.h"
#include "support/test_files.h"

namespace quarnel::test {
namespace {

constexpr const char* LhasaPath = "/usr/bin/lhasa";
constexpr const char* JlhaPath = "/usr/bin/jlha";

// The words of a shell command, each path quoted.
std::string shellCommand(std::initializer_list<std::string_view> words) {
    std::ostringstream command;
    for (std::string_view word : words) command << word << ' ';
    return command.str();
}
std::string quoted(const std::filesystem::path& path) {
    std::ostringstream text;
    text << '\'' << path.string() << '\'';
    return text.str();
}

bool runQuietly(const std::string& command) {
    return std::system(shellCommand({command, ">/dev/null 2>&1"}).c_str()) == 0;
}

// Standard output of `command`; nothing when it could not be started.
std::optional<std::vector<std::uint8_t>> captureOutput(const std::string& command) {
    FILE* pipe = popen(shellCommand({command, "2>/dev/null"}).c_str(), "r");
    if (pipe == nullptr) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        bytes.insert(bytes.end(), buffer, buffer + got);
    pclose(pipe);
    return bytes;
}

}  // namespace

bool lhasaAvailable() { return std::filesystem::exists(LhasaPath); }
bool jlhaAvailable() { return std::filesystem::exists(JlhaPath); }

LhasaExtraction extractWithLhasa(std::span<const std::uint8_t> archive) {
    LhasaExtraction result;
    TempDir dir;
    const std::filesystem::path archivePath = dir.path() / "member.lzh";
    if (dir.path().empty() || !writeFile(archivePath, archive)) return result;
    const std::string archiveName = quoted(archivePath);
    std::optional<std::vector<std::uint8_t>> printed = captureOutput(shellCommand({LhasaPath, "pq", archiveName}));
    if (!printed) return result;
    result.ran = true;
    result.bytes = std::move(*printed);
    result.crcTestPassed = runQuietly(shellCommand({LhasaPath, "tq", archiveName}));
    return result;
}

std::optional<std::vector<std::uint8_t>> compressWithJlha(std::span<const std::uint8_t> data) {
    TempDir dir;
    if (dir.path().empty() || !writeFile(dir.path() / "data.bin", data)) return std::nullopt;
    if (!runQuietly(shellCommand({"cd", quoted(dir.path()), "&&", JlhaPath, "ao5q archive.lzh data.bin"})))
        return std::nullopt;
    std::vector<std::uint8_t> archive = readFile(dir.path() / "archive.lzh");
    if (archive.empty()) return std::nullopt;
    return archive;
}

}  // namespace quarnel::test
