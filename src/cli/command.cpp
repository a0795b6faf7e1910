#include "command.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "image/file_io.h"
#include "image/input_check.h"

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

int exitStatusFor(Outcome outcome) {
    switch (outcome) {
        case Outcome::Done: return ExitSuccess;
        case Outcome::CantOpen:
        case Outcome::CantWrite: return ExitCantOpen;
        default: return ExitBadData;
    }
}

int reportFailure(const Result& result) {
    std::cerr << result.message << '\n';
    return exitStatusFor(result.outcome);
}

namespace {

Result writeStandardOutput(std::span<const std::uint8_t> bytes) {
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
    if (written && std::fflush(stdout) == 0) return {};
    return {Outcome::CantOpen, std::string("Error writing to standard output: ") + std::strerror(errno)};
}

// The options through which commands write data, and those naming the files
// they read.
bool isOutputOption(const CLI::Option& option) {
    return option.check_lname("output") || option.check_lname("dump-bin") || option.get_name() == "OUT";
}
bool isInputOption(const CLI::Option& option) {
    const std::string name = option.get_name();
    return name == "ROM" || name == "IN" || name == "CONTENTS";
}

}  // namespace

Result writeOutput(const std::string& fileName, std::span<const std::uint8_t> bytes) {
    if (fileName != StandardOutputName) return image::writeFileAtomically(fileName, bytes);
    return writeStandardOutput(bytes);
}

std::ostream& reportStream(const std::string& outputName) {
    return outputName == StandardOutputName ? std::cerr : std::cout;
}

Result OutputStream::open(const std::string& fileName) {
    toStandardOutput_ = fileName == StandardOutputName;
    return toStandardOutput_ ? Result{} : file_.open(fileName);
}

Result OutputStream::write(std::span<const std::uint8_t> bytes) {
    return toStandardOutput_ ? writeStandardOutput(bytes) : file_.write(bytes);
}

Result OutputStream::finish() { return toStandardOutput_ ? Result{} : file_.commit(); }

void addForceFlag(CLI::App& command, bool& force) {
    command.add_flag("--force", force,
                     "Write even when the input fails its checks (a block or directory checksum, or a compressed "
                     "module that does not decode): its damage is then carried into the output");
}

int loadCheckedInput(image::RomImage& rom, const std::string& romName, bool force) {
    const image::CheckedLoad checked = image::loadCheckedImage(rom, romName, force);
    if (!checked.result.ok()) {
        std::cerr << checked.result.message << '\n';
        if (!checked.faults.empty()) std::cerr << "--force writes it all the same\n";
        return exitStatusFor(checked.result.outcome);
    }
    if (!checked.faults.empty()) std::cerr << image::forcedDamageMessage(romName, checked.faults) << '\n';
    return ExitSuccess;
}

int checkFileArguments(const CLI::App& command) {
    std::vector<std::string> inputs;
    for (const CLI::Option* option : command.get_options())
        if (isInputOption(*option) && option->count() > 0) inputs.push_back(option->as<std::string>());
    for (const CLI::Option* option : command.get_options()) {
        if (!isOutputOption(*option) || option->count() == 0) continue;
        const std::string output = option->as<std::string>();
        if (output.empty()) {
            std::cerr << option->get_name() << ": an empty file name names no file\n";
            return ExitUsage;
        }
        if (output == StandardOutputName) continue;
        for (const std::string& input : inputs)
            if (image::isSameFile(input, output)) {
                std::cerr << image::overwritesInputMessage(input, output) << '\n';
                return ExitUsage;
            }
    }
    return ExitSuccess;
}

}  // namespace quarnel::cli
