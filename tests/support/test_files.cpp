#include "support/test_files.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

#include <sys/wait.h>

namespace quarnel::test {

// Read in blocks: byte by byte, unoptimised and under the sanitizers, a
// 4 MiB file took a second.
std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes;
    std::size_t got = 0;
    while (in) {
        bytes.resize(got + 65536);
        in.read(reinterpret_cast<char*>(bytes.data() + got), 65536);
        got += static_cast<std::size_t>(in.gcount());
    }
    bytes.resize(got);
    return bytes;
}

bool writeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

std::vector<std::filesystem::path> seabiosBlobs() {
    std::vector<std::filesystem::path> blobs;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(QUARNEL_SEABIOS_DIR, error))
        if (entry.is_regular_file() && !entry.is_symlink()) blobs.push_back(entry.path());
    std::sort(blobs.begin(), blobs.end());
    return blobs;
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quarnel-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

std::string shellQuoted(const std::string& text) { return "'" + text + "'"; }

CommandRun runCommand(const std::string& command) {
    TempDir dir;
    const auto out = dir.path() / "stdout", err = dir.path() / "stderr";
    const int raw = std::system((command + " >" + shellQuoted(out.string()) + " 2>" + shellQuoted(err.string())).c_str());
    const auto text = [](const std::filesystem::path& path) {
        const std::vector<std::uint8_t> bytes = readFile(path);
        return std::string(bytes.begin(), bytes.end());
    };
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text(out), text(err)};
}

}  // namespace quarnel::test
