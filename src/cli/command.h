// The commands of quarnel-cli. Each command lives in a file of its own and
// registers itself at start-up with a static CommandRegistration.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "image/rom_image.h"

namespace quarnel::cli {

enum ExitStatus : int {
    ExitSuccess = 0,
    ExitBadData = 1,  // bad data or memory
    ExitUsage = 2,
    ExitCantOpen = 4,
};

// Declares the command's options on its subcommand and returns what runs it.
using CommandSetup = std::function<std::function<int()>(CLI::App& command)>;

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
int reportFailure(const image::ImageResult& result);
int exitStatusFor(image::Outcome outcome);

// The name that stands for standard output where a command writes data.
inline constexpr const char* StandardOutputName = "-";

// Writes the bytes to the named file atomically, or to standard output when
// the name is "-", so that the data can be piped on.
image::ImageResult writeOutput(const std::string& fileName, std::span<const std::uint8_t> bytes);

}  // namespace quarnel::cli
