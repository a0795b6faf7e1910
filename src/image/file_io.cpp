#include "file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <new>

namespace quarnel::image {
namespace {

ImageResult cantOpen(std::string message) { return {Outcome::CantOpen, std::move(message)}; }

bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

// The directory entry of the rename must reach the disk too, or a power cut
// may bring back the old file, or none.
void syncDirectoryOf(const std::filesystem::path& target) {
    const std::filesystem::path dir = target.has_parent_path() ? target.parent_path() : ".";
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

ImageResult readWholeFile(const std::string& fileName, std::vector<std::uint8_t>& bytes) {
    // A directory opens as a stream whose end lies at an absurd position.
    std::error_code error;
    if (std::filesystem::is_directory(fileName, error)) return cantOpen("Cant open the file...");
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return cantOpen("Cant open the file...");
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) return cantOpen("Cant open the file...");
    in.seekg(0, std::ios::beg);
    try {
        bytes.assign(static_cast<std::size_t>(size), 0);
    } catch (const std::bad_alloc&) {
        return {Outcome::NoMemory, "Not enough memory to allocate buffer"};
    }
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size))
        return cantOpen("Cant open the file...");
    return {};
}

ImageResult writeFileAtomically(const std::string& fileName, std::span<const std::uint8_t> bytes) {
    const std::filesystem::path target(fileName);
    std::string pattern = (target.has_parent_path() ? target.parent_path() / "" : std::filesystem::path()).string() +
                          "." + target.filename().string() + ".XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) return cantOpen("Can't create " + fileName);
    const bool written = writeAll(fd, bytes) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        ::unlink(pattern.c_str());
        return cantOpen("Error writing " + fileName);
    }
    // mkstemp makes the file private; a ROM image is an ordinary document.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(pattern.c_str(), 0666 & ~mask);
    if (std::rename(pattern.c_str(), fileName.c_str()) != 0) {
        ::unlink(pattern.c_str());
        return cantOpen("Can't create " + fileName);
    }
    syncDirectoryOf(target);
    return {};
}

}  // namespace quarnel::image
