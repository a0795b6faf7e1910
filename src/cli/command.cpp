#include "command.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "image/file_io.h"

namespace quarnel::cli {
namespace {

std::vector<CommandSpec>& registry() {
    static std::vector<CommandSpec> commands;
    return commands;
}

}  // namespace

CommandRegistration::CommandRegistration(CommandSpec spec) {
    auto& commands = registry();
    commands.push_back(std::move(spec));
    std::stable_sort(commands.begin(), commands.end(),
                     [](const CommandSpec& a, const CommandSpec& b) { return a.order < b.order; });
}

const std::vector<CommandSpec>& registeredCommands() { return registry(); }

int exitStatusFor(image::Outcome outcome) {
    switch (outcome) {
        case image::Outcome::Done: return ExitSuccess;
        case image::Outcome::CantOpen: return ExitCantOpen;
        default: return ExitBadData;
    }
}

int reportFailure(const image::ImageResult& result) {
    std::cerr << result.message << '\n';
    return exitStatusFor(result.outcome);
}

image::ImageResult writeOutput(const std::string& fileName, std::span<const std::uint8_t> bytes) {
    if (fileName != StandardOutputName) return image::writeFileAtomically(fileName, bytes);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
    if (std::fflush(stdout) != 0 || !written) return {image::Outcome::CantOpen, "Error writing to standard output"};
    return {};
}

}  // namespace quarnel::cli
