// Files the tests read: whole files, temporary folders, the seabios ROM
// blobs that serve as real x86 firmware content, and commands run as a user
// runs them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace quarnel::test {

// The whole file; empty when it can't be read.
std::vector<std::uint8_t> readFile(const std::filesystem::path& path);
bool writeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// The regular files of the seabios folder, QUARNEL_SEABIOS_DIR (symbolic links left out), sorted
// by name; empty when the package is not installed.
std::vector<std::filesystem::path> seabiosBlobs();

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

std::string shellQuoted(const std::string& text);

// Runs a shell command, its standard output and error captured.
struct CommandRun {
    int status = -1;  // the exit status; -1 when it did not exit
    std::string out;
    std::string err;
};
CommandRun runCommand(const std::string& command);

}  // namespace quarnel::test
