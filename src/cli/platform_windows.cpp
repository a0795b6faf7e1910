#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

#include "image/file_io.h"
#include "platform.h"

namespace quarnel::cli {
namespace {

// Runs on a thread of its own; returning FALSE lets the default handler end
// the process, which closes the consoles' programs as it always does.
BOOL WINAPI removeTemporaryFilesAndEnd(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT: image::removeTemporaryFiles(); break;
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

bool standardErrorIsTerminal() {
    // _isatty is true for NUL as well; a console has a console mode.
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace quarnel::cli
