// Inputs of the codec benchmarks: the seabios ROM blobs one by one, and a
// 16 MiB corpus of x86 code (the blobs, then Qt's shared libraries, cut to
// 16 MiB). Files that are missing are left out.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace quarnel::bench {

inline constexpr std::size_t CorpusSize = 16u << 20;

inline std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Regular files only (the libraries' symbolic links would repeat them), sorted.
inline std::vector<std::filesystem::path> regularFiles(const std::filesystem::path& folder, const std::string& prefix) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (!entry.is_regular_file() || entry.is_symlink()) continue;
        if (entry.path().filename().string().starts_with(prefix)) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

inline std::vector<std::filesystem::path> seabiosBlobs() { return regularFiles(QUARNEL_SEABIOS_DIR, ""); }

inline std::vector<std::uint8_t> x86Corpus() {
    std::vector<std::filesystem::path> files = seabiosBlobs();
    for (const auto& library : regularFiles("/usr/lib/x86_64-linux-gnu", "libQt6"))
        if (library.filename().string().find(".so") != std::string::npos) files.push_back(library);
    std::vector<std::uint8_t> corpus;
    for (const auto& file : files) {
        if (corpus.size() >= CorpusSize) break;
        const std::vector<std::uint8_t> bytes = readFile(file);
        corpus.insert(corpus.end(), bytes.begin(), bytes.end());
    }
    if (corpus.size() > CorpusSize) corpus.resize(CorpusSize);
    return corpus;
}

}  // namespace quarnel::bench
