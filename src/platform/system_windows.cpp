// What quarnel-cli needs from Windows.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

#include "file_io.h"
#include "system.h"

namespace quarnel::platform {
namespace {

// Runs on a thread of its own; returning FALSE passes the event on to the
// default handler, which ends the process.
BOOL WINAPI removeTemporaryFilesAndEnd(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT: removeTemporaryFiles(); break;
        default: break;
    }
    return FALSE;
}

UINT consoleOutputCodePage = 0;
void restoreConsoleOutputCodePage() { SetConsoleOutputCP(consoleOutputCodePage); }

std::string utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string converted(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, converted.data(), size, nullptr, nullptr);
    converted.pop_back();  // the terminating zero
    return converted;
}

}  // namespace

void removeTemporaryFilesOnInterrupt() { SetConsoleCtrlHandler(removeTemporaryFilesAndEnd, TRUE); }

void prepareStandardStreams() {
    // In text mode every 0x0A byte of an image sent to "-" would become
    // 0x0D 0x0A. Messages end their lines as on every other system.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // Messages are UTF-8, as file names are: the console shows them so while
    // the program runs, and gets its own code page back at the end.
    if (const UINT page = GetConsoleOutputCP(); page != 0 && page != CP_UTF8) {
        consoleOutputCodePage = page;
        if (SetConsoleOutputCP(CP_UTF8)) std::atexit(restoreConsoleOutputCodePage);
    }
}

// The arguments main() gets are in the ANSI code page, which loses every
// letter outside it: the UTF-16 command line has them all.
std::vector<std::string> commandLineArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return {argv, argv + argc};
    std::vector<std::string> arguments;
    for (int k = 0; k < count; ++k) arguments.push_back(utf8(wide[k]));
    LocalFree(wide);
    return arguments;
}

// The table comes behind a small header of its own: the SMBIOS version,
// then the table's length in four bytes.
Result readSystemTable(std::vector<std::uint8_t>& table) {
    constexpr DWORD Provider = 'R' << 24 | 'S' << 16 | 'M' << 8 | 'B';
    constexpr std::size_t HeaderSize = 8;
    std::vector<std::uint8_t> raw(GetSystemFirmwareTable(Provider, 0, nullptr, 0));
    if (raw.size() < HeaderSize || GetSystemFirmwareTable(Provider, 0, raw.data(), static_cast<DWORD>(raw.size())) !=
                                       raw.size())
        return {Outcome::CantOpen, systemTableName() + " can't be read: Windows gives none"};
    const std::size_t length = raw[4] | raw[5] << 8 | raw[6] << 16 | static_cast<std::size_t>(raw[7]) << 24;
    if (length > raw.size() - HeaderSize)
        return {Outcome::BadData, systemTableName() + " is cut short: it says " + std::to_string(length) +
                                      " bytes and holds " + std::to_string(raw.size() - HeaderSize)};
    table.assign(raw.begin() + HeaderSize, raw.begin() + static_cast<std::ptrdiff_t>(HeaderSize + length));
    return {};
}

std::string systemTableName() { return "the firmware's SMBIOS table"; }

bool standardErrorIsTerminal() {
    // _isatty is true for NUL as well; a console has a console mode.
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace quarnel::platform
