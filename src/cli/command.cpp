#include "command.h"

#include <algorithm>
#include <iostream>

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

}  // namespace quarnel::cli
