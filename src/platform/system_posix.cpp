// What quarnel-cli needs from a POSIX system.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "file_io.h"
#include "system.h"

namespace quarnel::platform {
namespace {

// The handler removes the temporary files, then lets the signal end the
// process as it would have.
extern "C" void removeTemporaryFilesAndDie(int number) {
    removeTemporaryFiles();
    ::signal(number, SIG_DFL);
    ::raise(number);
}

}  // namespace

void removeTemporaryFilesOnInterrupt() {
    struct sigaction action {};
    action.sa_handler = removeTemporaryFilesAndDie;
    sigemptyset(&action.sa_mask);
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        // A signal the caller chose to ignore stays ignored.
        if (::sigaction(number, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        ::sigaction(number, &action, nullptr);
    }
}

void prepareStandardStreams() {}

std::vector<std::string> commandLineArguments(int argc, char** argv) { return {argv, argv + argc}; }

bool standardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

Result readSystemTable(std::vector<std::uint8_t>& table) {
    const std::string name = systemTableName();
    if (::access(name.c_str(), R_OK) != 0)
        return {Outcome::CantOpen, name + " can't be read: " + std::strerror(errno) +
                                              (errno == EACCES ? " (reading it needs root)" : "")};
    return readWholeFile(name, table);
}

std::string systemTableName() { return SystemTablePath; }

}  // namespace quarnel::platform
