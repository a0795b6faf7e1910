// The commands of quarnel-cli. Each command lives in a file of its own and
// registers itself at start-up with a static CommandRegistration.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <functional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "image/rom_image.h"
#include "platform/file_io.h"

namespace quarnel::cli {

enum ExitStatus : int {
    ExitSuccess = 0,
    ExitBadData = 1,  // bad data or memory
    ExitUsage = 2,
    ExitCantOpen = 4,
};

// The files a parsed command reads and writes, its defaults included, as it
// will open them. Asked before the command runs, so that no output is ever
// one of its inputs.
struct CommandFiles {
    struct Output {
        std::string option;  // how the user named it: "--output", "OUT"
        std::string name;    // "-" for standard output
    };
    std::vector<std::string> inputs;
    std::vector<Output> outputs;
};

struct CommandAction {
    std::function<int()> run;
    std::function<CommandFiles()> files;
};

// Declares the command's options on its subcommand and returns what runs it
// and what tells its files.
using CommandSetup = std::function<CommandAction(CLI::App& command)>;

struct CommandSpec {
    int order = 0;  // place in the help listing
    std::string name;
    std::string description;
    CommandSetup setup;
};

struct CommandRegistration {
    explicit CommandRegistration(CommandSpec spec);
};

const std::vector<CommandSpec>& registeredCommands();

// Prints the result's message to standard error and gives the exit status
// that its outcome maps to.
int reportFailure(const Result& result);
int exitStatusFor(Outcome outcome);

// The name that stands for standard output where a command writes data.
inline constexpr const char* StandardOutputName = "-";

// Writes the bytes to the named file atomically, or to standard output when
// the name is "-", so that the data can be piped on.
Result writeOutput(const std::string& fileName, std::span<const std::uint8_t> bytes);

// Where a command reports what it did: standard error when its data goes to
// standard output.
std::ostream& reportStream(const std::string& outputName);

// An output written piece by piece: to standard output for "-", else
// atomically, so that a file only appears once it is complete.
class OutputStream {
public:
    Result open(const std::string& fileName);
    Result write(std::span<const std::uint8_t> bytes);
    Result finish();

private:
    bool toStandardOutput_ = false;
    platform::AtomicFileWriter file_;
};

// The files of the parsed command, before it runs: an output given an empty
// name, or that is one of the command's inputs (links followed, hard links
// too), is a usage error. Prints why and gives ExitUsage, or gives
// ExitSuccess.
int checkFileArguments(const CommandFiles& files);

// Standard output, once the command has run: a report that did not reach it
// whole (a full disk, a closed pipe) is a failure. Prints why and gives
// ExitCantOpen, or gives `status`.
int finishStandardOutput(int status);

// --force: write from an input that fails its checks.
void addForceFlag(CLI::App& command, bool& force);
// Loads the image after checking it; a damaged input is refused (its faults
// printed, ExitBadData) unless `force`, which only warns.
int loadCheckedInput(image::RomImage& rom, const std::string& romName, bool force);

// What --help says about every file a command writes.
inline constexpr const char* OutputFilesNote =
    "Files are written whole or not at all: the data goes into a temporary file beside the output, which then "
    "replaces it. A symbolic link is followed and kept, and an existing output keeps its permissions (on Windows it "
    "takes its folder's), but other hard links to it keep the old contents. \"-\" as an output writes to standard output. An output that is one of the "
    "inputs is refused.";

}  // namespace quarnel::cli
