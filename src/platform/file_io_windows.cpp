// The file layer on Windows: names are UTF-8 and opened through the wide
// (UTF-16) calls, so every name the system takes works.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>
#include <new>
#include <optional>
#include <string_view>
#include <vector>

#include "file_failures.h"
#include "file_io.h"
#include "image/image_layout.h"
#include "image/memory_message.h"

namespace quarnel::platform {
namespace {

std::string utf8Name(const std::wstring& wide) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size, nullptr, nullptr);
    return utf8;
}

// The system's own text for an error code, in the user's language, as
// strerror gives it on POSIX: one line, no closing full stop.
std::string reason(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
        0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide = length > 0 ? std::wstring(text, length) : std::wstring();
    LocalFree(text);
    while (!wide.empty() && std::wstring_view(L"\r\n .").find(wide.back()) != std::wstring_view::npos) wide.pop_back();
    if (wide.empty()) return "system error " + std::to_string(error);
    return utf8Name(wide);
}

// The UTF-16 form of a UTF-8 name; nothing when the name is not UTF-8.
std::optional<std::wstring> wideName(const std::string& name) {
    if (name.empty()) return std::wstring();
    const int size =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(), static_cast<int>(name.size()), nullptr, 0);
    if (size <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(), static_cast<int>(name.size()), wide.data(), size);
    return wide;
}
constexpr const char* NotUtf8 = "the name is not valid UTF-8";

class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (valid()) CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

// Opens what a name leads to, links followed, folders too (for their
// attributes): nothing is read or written through it.
HANDLE openForQuery(const std::wstring& name) {
    return CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Why an open file can't be taken as an image; empty for a regular file.
std::string notRegularReason(HANDLE handle) {
    switch (GetFileType(handle)) {
        case FILE_TYPE_DISK: break;
        case FILE_TYPE_CHAR: return notRegularFile("a character device");
        case FILE_TYPE_PIPE: return notRegularFile("a pipe");
        default: return notRegularFile("not a file");
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileInformationByHandle(handle, &information) &&
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return notRegularFile("a directory");
    return {};
}

// The names the system takes as devices in every folder, whatever their
// extension (CON, NUL, COM1, "nul.txt" ...), and names in the device
// namespace (\\.\COM1, \\.\PhysicalDrive0): writing there never makes a file.
std::string deviceNameReason(const std::wstring& name) {
    if (name.starts_with(L"\\\\.\\") || name.starts_with(L"//./") || name.starts_with(L"\\\\?\\GLOBALROOT"))
        return notRegularFile("a device");
    // The system drops a closing colon, dot or space: "COM1:" and "NUL." are devices too.
    std::wstring path = name;
    while (!path.empty() && (path.back() == L':' || path.back() == L'.' || path.back() == L' ')) path.pop_back();
    const std::size_t start = path.find_last_of(L"\\/:");
    std::wstring base = path.substr(start == std::wstring::npos ? 0 : start + 1);
    base = base.substr(0, base.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    for (wchar_t& c : base)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    static const wchar_t* const plain[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* device : plain)
        if (base == device) return notRegularFile("a character device");
    const bool numbered = base.size() == 4 && (base.starts_with(L"COM") || base.starts_with(L"LPT")) &&
                          ((base[3] >= L'0' && base[3] <= L'9') || base[3] == L'\u00B9' || base[3] == L'\u00B2' ||
                           base[3] == L'\u00B3');
    return numbered ? notRegularFile("a character device") : std::string();
}

// The file a name finally leads to, links followed, for an existing file;
// the name itself otherwise. Replacing the final path keeps a symbolic link
// and replaces the file it names, as on POSIX.
std::wstring finalPath(HANDLE handle, const std::wstring& name) {
    const DWORD size = GetFinalPathNameByHandleW(handle, nullptr, 0, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (size == 0) return name;
    std::wstring path(size, L'\0');
    const DWORD length = GetFinalPathNameByHandleW(handle, path.data(), size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= size) return name;
    path.resize(length);
    return path;
}

std::wstring folderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos) return path.substr(0, slash + 1);
    if (path.size() >= 2 && path[1] == L':') return path.substr(0, 2);  // "C:name" lies in C:'s current folder
    return {};
}

// The temporary files of the writes under way. The console's control
// handler runs on a thread of its own: it takes the lock and keeps it, so
// no new temporary file appears while the process ends.
SRWLOCK temporaryFilesLock = SRWLOCK_INIT;
std::vector<std::wstring>& temporaryFiles() {
    static std::vector<std::wstring> files;
    return files;
}

class TemporaryFilesLocked {
public:
    TemporaryFilesLocked() { AcquireSRWLockExclusive(&temporaryFilesLock); }
    ~TemporaryFilesLocked() { ReleaseSRWLockExclusive(&temporaryFilesLock); }
    TemporaryFilesLocked(const TemporaryFilesLocked&) = delete;
    TemporaryFilesLocked& operator=(const TemporaryFilesLocked&) = delete;
};

void forgetTemporaryFile(const std::wstring& path) {
    const TemporaryFilesLocked locked;
    std::vector<std::wstring>& files = temporaryFiles();
    if (const auto at = std::find(files.begin(), files.end(), path); at != files.end()) files.erase(at);
}

// Short, so that an output name of the longest length a folder entry takes
// still leaves room for it. Shared deletion, so that the control handler
// can remove it while it is open.
HANDLE createTemporaryFile(const std::wstring& folder, std::wstring& path) {
    static LONG counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        LARGE_INTEGER now{};
        QueryPerformanceCounter(&now);
        const unsigned long long mix = static_cast<unsigned long long>(now.QuadPart) * 0x9E3779B97F4A7C15ull ^
                                       (static_cast<unsigned long long>(GetCurrentProcessId()) << 20) ^
                                       static_cast<unsigned long long>(InterlockedIncrement(&counter));
        wchar_t suffix[7];
        for (int k = 0; k < 6; ++k) suffix[k] = L"abcdefghijklmnopqrstuvwxyz0123456789"[(mix >> (6 * k)) % 36];
        suffix[6] = L'\0';
        path = folder + L".quarnel-" + suffix;
        const TemporaryFilesLocked locked;
        const HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            try {
                temporaryFiles().push_back(path);
            } catch (const std::bad_alloc&) {
                // Not cleaned up on Ctrl+C then, but still written whole or not at all.
            }
            return handle;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return handle;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

}  // namespace

Result readWholeFile(const std::string& fileName, std::vector<std::uint8_t>& bytes) {
    const std::optional<std::wstring> wide = wideName(fileName);
    if (!wide) return cantOpen(fileName, NotUtf8);
    const Handle file(CreateFileW(wide->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN,
                                  nullptr));
    if (!file.valid()) return cantOpen(fileName, reason(GetLastError()));
    if (const std::string notRegular = notRegularReason(file.get()); !notRegular.empty())
        return cantOpen(fileName, notRegular);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return cantOpen(fileName, reason(GetLastError()));
    const auto length = static_cast<std::uint64_t>(size.QuadPart);
    // Refused from its size alone: reading gigabytes first would take the
    // memory and the time of a whole disk image.
    if (length > image::MaxImageSize) return cantOpen(fileName, tooLargeReason(length));
    try {
        bytes.assign(static_cast<std::size_t>(length), 0);
    } catch (const std::bad_alloc&) {
        return image::notEnoughMemory("the contents of " + fileName, static_cast<std::size_t>(length));
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + done, want, &got, nullptr))
            return cantOpen(fileName, reason(GetLastError()));
        // A file that shrank while it was read is no image to trust.
        if (got == 0) return cantOpen(fileName, "it shrank while it was read");
        done += got;
    }
    return {};
}

bool isSameFile(const std::string& a, const std::string& b) {
    const std::optional<std::wstring> first = wideName(a), second = wideName(b);
    if (!first || !second) return false;
    const Handle one(openForQuery(*first)), other(openForQuery(*second));
    if (!one.valid() || !other.valid()) return false;
    BY_HANDLE_FILE_INFORMATION x{}, y{};
    if (!GetFileInformationByHandle(one.get(), &x) || !GetFileInformationByHandle(other.get(), &y)) return false;
    return x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
           x.nFileIndexLow == y.nFileIndexLow;
}

AtomicFileWriter::~AtomicFileWriter() { abandon(); }

void AtomicFileWriter::abandon() {
    if (fd_ != -1) CloseHandle(reinterpret_cast<HANDLE>(fd_));
    if (!temp_.empty()) {
        const std::optional<std::wstring> temp = wideName(temp_);
        if (temp) {
            DeleteFileW(temp->c_str());
            forgetTemporaryFile(*temp);
        }
    }
    fd_ = -1;
    temp_.clear();
}

Result AtomicFileWriter::open(const std::string& fileName) {
    abandon();
    name_ = fileName;
    if (fileName.empty()) return cantCreate("the output", "no file name was given");
    const std::optional<std::wstring> wide = wideName(fileName);
    if (!wide) return cantCreate(fileName, NotUtf8);
    if (const std::string device = deviceNameReason(*wide); !device.empty()) return cantCreate(fileName, device);

    std::wstring target = *wide;
    if (const Handle existing(openForQuery(*wide)); existing.valid()) {
        if (const std::string notRegular = notRegularReason(existing.get()); !notRegular.empty())
            return cantCreate(fileName, notRegular);
        target = finalPath(existing.get(), *wide);
    } else if (const DWORD error = GetLastError(); error != ERROR_FILE_NOT_FOUND) {
        return cantCreate(fileName, reason(error));
    }

    std::wstring temp;
    const HANDLE handle = createTemporaryFile(folderOf(target), temp);
    if (handle == INVALID_HANDLE_VALUE) return cantCreate(fileName, reason(GetLastError()));
    fd_ = reinterpret_cast<std::intptr_t>(handle);
    temp_ = utf8Name(temp);
    target_ = utf8Name(target);
    return {};
}

Result AtomicFileWriter::write(std::span<const std::uint8_t> bytes) {
    if (fd_ == -1) return cantCreate(name_, "the file is not open");
    const HANDLE handle = reinterpret_cast<HANDLE>(fd_);
    while (!bytes.empty()) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data(), want, &written, nullptr) || written == 0) {
            const DWORD error = written == 0 && GetLastError() == ERROR_SUCCESS ? ERROR_DISK_FULL : GetLastError();
            abandon();
            return errorWriting(name_, reason(error));
        }
        bytes = bytes.subspan(written);
    }
    return {};
}

Result AtomicFileWriter::commit() {
    if (fd_ == -1) return cantCreate(name_, "the file is not open");
    const HANDLE handle = reinterpret_cast<HANDLE>(fd_);
    const DWORD flushed = FlushFileBuffers(handle) ? ERROR_SUCCESS : GetLastError();
    const DWORD closed = CloseHandle(handle) ? ERROR_SUCCESS : GetLastError();
    fd_ = -1;
    if (flushed != ERROR_SUCCESS || closed != ERROR_SUCCESS) {
        abandon();
        return errorWriting(name_, reason(flushed != ERROR_SUCCESS ? flushed : closed));
    }
    const std::optional<std::wstring> temp = wideName(temp_), target = wideName(target_);
    // Write-through: the rename is on the disk when the call returns.
    if (!MoveFileExW(temp->c_str(), target->c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        abandon();
        // Windows, unlike POSIX, keeps a read-only file from being replaced.
        const DWORD attributes = GetFileAttributesW(target->c_str());
        if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_READONLY) != 0)
            return cantCreate(name_, "it is read-only");
        return cantCreate(name_, reason(error));
    }
    forgetTemporaryFile(*temp);
    temp_.clear();
    return {};
}

void removeTemporaryFiles() noexcept {
    // Kept locked: the process is ending, and no write may start another file.
    AcquireSRWLockExclusive(&temporaryFilesLock);
    for (const std::wstring& path : temporaryFiles()) DeleteFileW(path.c_str());
}

}  // namespace quarnel::platform
