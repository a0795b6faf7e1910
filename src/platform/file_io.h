// Whole-file reading and atomic writing, for every program and library above.
// One implementation per system (file_io_posix.cpp, file_io_windows.cpp)
// behind these functions. File names are the system's bytes on POSIX and
// UTF-8 on Windows.
//
// Every failure names the file and the operating system's reason:
//   "Can't open <name>: <reason>"    the file can't be opened or read
//   "Can't create <name>: <reason>"  the output can't be made or put in place
//   "Error writing <name>: <reason>" the data didn't reach the disk whole
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "image/rom_image.h"

namespace quarnel::platform {

// Reads the file whole. CantOpen when it can't be opened or read, or when it
// is larger than MaxImageSize (told from its size before a byte is read).
Result readWholeFile(const std::string& fileName, std::vector<std::uint8_t>& bytes);

// Both names lead to the same file, links followed. A name under which no
// file exists yet is no other file.
bool isSameFile(const std::string& a, const std::string& b);
// "<output> would overwrite the input", naming the input when its name differs.
std::string overwritesInputMessage(const std::string& inputName, const std::string& outputName);

// The file that `relative` (a relative name without "..") names inside the
// folder `root`, as the file system will find it: `target` is its absolute
// path with every symbolic link on the way resolved. CantOpen, naming the
// name and the reason, when a folder on the way, or the file itself, leads
// out of `root` through a symbolic link, or a folder on the way is not one.
// `makeFolders` makes the missing folders, one by one and only inside
// `root`; without it, missing parts are taken as they are named.
// Written on std::filesystem alone: every platform shares it.
Result fileInsideFolder(const std::string& root, const std::string& relative, bool makeFolders, std::string& target);

// Writes a file through a temporary file beside its final target, flushed
// to the disk and renamed over the target only when everything was written,
// so a failed or interrupted write never leaves a truncated file and never
// damages the old one.
//
// A symbolic link is followed: the file it names is replaced and the link
// stays. An existing output keeps its permissions (and its owner, when run
// as root); other hard links to it keep the old contents. Directories,
// devices, FIFOs and sockets are refused before anything is touched.
class AtomicFileWriter {
public:
    AtomicFileWriter() = default;
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
    ~AtomicFileWriter();  // removes the temporary file of a write not committed

    Result open(const std::string& fileName);
    Result write(std::span<const std::uint8_t> bytes);
    // Flushes, closes and renames. A short write or a failed close fails it.
    Result commit();
    void abandon();

private:
    std::string name_;    // as the caller gave it, for the messages
    std::string target_;  // the file that is replaced, links followed
    std::string temp_;
    std::intptr_t fd_ = -1;  // the temporary file: a descriptor, or a Windows handle
    int slot_ = -1;  // in the table the signal clean-up reads
};

Result writeFileAtomically(const std::string& fileName, std::span<const std::uint8_t> bytes);

// Removes the temporary files of the writes under way. Safe to call from a
// signal handler (on Windows, from the console's control handler): it only
// reads prepared paths and removes those files.
void removeTemporaryFiles() noexcept;

// A file name as std::filesystem takes it: on Windows its narrow strings are
// in the ANSI code page, not in UTF-8.
std::filesystem::path filePath(const std::string& fileName);

}  // namespace quarnel::platform
