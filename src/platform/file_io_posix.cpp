// The file layer on POSIX systems.
#include "file_failures.h"
#include "file_io.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>

#include "image/image_layout.h"
#include "image/memory_message.h"

namespace quarnel::platform {
namespace {

std::string reason(int error) { return std::strerror(error); }

// Why a file that exists can't be taken as an image; empty for a regular file.
std::string notRegularReason(mode_t mode) {
    if (S_ISREG(mode)) return {};
    const char* kind = S_ISDIR(mode)    ? "a directory"
                       : S_ISCHR(mode)  ? "a character device"
                       : S_ISBLK(mode)  ? "a block device"
                       : S_ISFIFO(mode) ? "a FIFO"
                       : S_ISSOCK(mode) ? "a socket"
                                        : "not a file";
    return notRegularFile(kind);
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return false;
        if (written == 0) {
            errno = ENOSPC;
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

// The directory entry of the rename must reach the disk too, or a power cut
// may bring back the old file, or none.
void syncDirectoryOf(const std::filesystem::path& target) {
    const std::filesystem::path dir = target.has_parent_path() ? target.parent_path() : ".";
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// The file a name finally leads to: symbolic links are followed one by one,
// also to a target that does not exist yet. 0, or the errno of a link that
// can't be read or loops.
int followLinks(std::filesystem::path& path) {
    for (int hops = 0;; ++hops) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return 0;
        if (hops == 40) return ELOOP;
        std::error_code error;
        const std::filesystem::path target = std::filesystem::read_symlink(path, error);
        if (error) return error.value();
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
}

mode_t currentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// The temporary files of the writes under way, where a signal handler can
// read them: a slot is Ready only while its path is complete and its file
// may exist.
enum SlotState : int { Free, Claimed, Ready };
struct TemporaryFileSlot {
    std::atomic<int> state{Free};
    char path[PATH_MAX]{};
};
std::array<TemporaryFileSlot, 16> temporaryFiles;

int registerTemporaryFile(const std::string& path) {
    if (path.size() >= PATH_MAX) return -1;
    for (std::size_t i = 0; i < temporaryFiles.size(); ++i) {
        int expected = Free;
        if (!temporaryFiles[i].state.compare_exchange_strong(expected, Claimed)) continue;
        std::memcpy(temporaryFiles[i].path, path.c_str(), path.size() + 1);
        temporaryFiles[i].state.store(Ready);
        return static_cast<int>(i);
    }
    return -1;  // more writes at once than slots: that file is just not cleaned up on a signal
}

void releaseTemporaryFile(int slot) {
    if (slot >= 0) temporaryFiles[static_cast<std::size_t>(slot)].state.store(Free);
}

// Blocks the signals whose handler removes the temporary files while one is
// created and registered, so none is left between the two steps.
class TerminationSignalsBlocked {
public:
    TerminationSignalsBlocked() {
        sigset_t set;
        sigemptyset(&set);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, signal);
        pthread_sigmask(SIG_BLOCK, &set, &old_);
    }
    ~TerminationSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
    TerminationSignalsBlocked(const TerminationSignalsBlocked&) = delete;
    TerminationSignalsBlocked& operator=(const TerminationSignalsBlocked&) = delete;

private:
    sigset_t old_{};
};

}  // namespace

Result readWholeFile(const std::string& fileName, std::vector<std::uint8_t>& bytes) {
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return cantOpen(fileName, reason(errno));
    struct stat status {};
    Result result;
    if (::fstat(fd, &status) != 0) {
        result = cantOpen(fileName, reason(errno));
    } else if (const std::string notRegular = notRegularReason(status.st_mode); !notRegular.empty()) {
        result = cantOpen(fileName, notRegular);
    } else if (static_cast<std::uint64_t>(status.st_size) > image::MaxImageSize) {
        // Refused from its size alone: reading gigabytes first would take
        // the memory and the time of a whole disk image.
        result = cantOpen(fileName, "it is " + std::to_string(status.st_size) +
                                        " bytes long; no file this tool reads is larger than the largest BIOS "
                                        "image, 16 MiB (16777216 bytes)");
    } else {
        try {
            bytes.assign(static_cast<std::size_t>(status.st_size), 0);
            std::size_t done = 0;
            while (done < bytes.size()) {
                const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
                if (got < 0 && errno == EINTR) continue;
                if (got <= 0) {
                    // A file that shrank while it was read is no image to trust.
                    result = cantOpen(fileName, got < 0 ? reason(errno) : "it shrank while it was read");
                    break;
                }
                done += static_cast<std::size_t>(got);
            }
        } catch (const std::bad_alloc&) {
            result = image::notEnoughMemory("the contents of " + fileName, static_cast<std::size_t>(status.st_size));
        }
    }
    ::close(fd);
    return result;
}

bool isSameFile(const std::string& a, const std::string& b) {
    struct stat first {}, second {};
    if (::stat(a.c_str(), &first) != 0 || ::stat(b.c_str(), &second) != 0) return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

AtomicFileWriter::~AtomicFileWriter() { abandon(); }

void AtomicFileWriter::abandon() {
    if (fd_ >= 0) ::close(fd_);
    if (!temp_.empty()) ::unlink(temp_.c_str());
    releaseTemporaryFile(slot_);
    fd_ = -1;
    slot_ = -1;
    temp_.clear();
}

Result AtomicFileWriter::open(const std::string& fileName) {
    abandon();
    name_ = fileName;
    if (fileName.empty()) return cantCreate("the output", "no file name was given");
    std::filesystem::path target(fileName);
    if (const int error = followLinks(target); error != 0) return cantCreate(fileName, reason(error));
    target_ = target.string();

    struct stat existing {};
    const bool exists = ::stat(target_.c_str(), &existing) == 0;
    if (exists) {
        if (const std::string notRegular = notRegularReason(existing.st_mode); !notRegular.empty())
            return cantCreate(fileName, notRegular);
    }

    // Short, so that an output name of the longest length a directory
    // entry takes still leaves room for it.
    std::string pattern = (target.has_parent_path() ? target.parent_path() / "" : std::filesystem::path()).string() +
                          ".quarnel-XXXXXX";
    {
        const TerminationSignalsBlocked blocked;
        fd_ = ::mkstemp(pattern.data());
        if (fd_ < 0) return cantCreate(fileName, reason(errno));
        temp_ = pattern;
        slot_ = registerTemporaryFile(temp_);
    }
    // mkstemp makes the file private: an existing output keeps its
    // permissions, a new one is an ordinary document.
    if (exists) {
        if (::geteuid() == 0 && ::fchown(fd_, existing.st_uid, existing.st_gid) != 0) {
            const int error = errno;
            abandon();
            return cantCreate(fileName, reason(error));
        }
        ::fchmod(fd_, existing.st_mode & 07777);
    } else {
        ::fchmod(fd_, 0666 & ~currentUmask());
    }
    return {};
}

Result AtomicFileWriter::write(std::span<const std::uint8_t> bytes) {
    if (fd_ < 0) return cantCreate(name_, "the file is not open");
    if (writeAll(fd_, bytes)) return {};
    const int error = errno;
    abandon();
    return errorWriting(name_, reason(error));
}

Result AtomicFileWriter::commit() {
    if (fd_ < 0) return cantCreate(name_, "the file is not open");
    const int synced = ::fsync(fd_) == 0 ? 0 : errno;
    const int closed = ::close(fd_) == 0 ? 0 : errno;
    fd_ = -1;
    if (synced != 0 || closed != 0) {
        abandon();
        return errorWriting(name_, reason(synced != 0 ? synced : closed));
    }
    if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
        const int error = errno;
        abandon();
        return cantCreate(name_, reason(error));
    }
    temp_.clear();
    releaseTemporaryFile(slot_);
    slot_ = -1;
    syncDirectoryOf(target_);
    return {};
}

void removeTemporaryFiles() noexcept {
    for (TemporaryFileSlot& slot : temporaryFiles)
        if (slot.state.load() == Ready) ::unlink(slot.path);
}

}  // namespace quarnel::platform
