#include "command.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "image/input_check.h"
#include "platform/file_io.h"
#include "platform/image_files.h"

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

}  // namespace

Result writeOutput(const std::string& fileName, std::span<const std::uint8_t> bytes) {
    if (fileName != StandardOutputName) return platform::writeFileAtomically(fileName, bytes);
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
    const image::CheckedLoad checked = platform::loadCheckedImage(rom, romName, force);
    if (!checked.result.ok()) {
        std::cerr << checked.result.message << '\n';
        if (!checked.faults.empty()) std::cerr << "--force writes it all the same\n";
        return exitStatusFor(checked.result.outcome);
    }
    if (!checked.faults.empty()) std::cerr << image::forcedDamageMessage(romName, checked.faults) << '\n';
    return ExitSuccess;
}

int checkFileArguments(const CommandFiles& files) {
    for (const CommandFiles::Output& output : files.outputs) {
        if (output.name.empty()) {
            std::cerr << output.option << ": an empty file name names no file\n";
            return ExitUsage;
        }
        if (output.name == StandardOutputName) continue;
        for (const std::string& input : files.inputs)
            if (platform::isSameFile(input, output.name)) {
                std::cerr << platform::overwritesInputMessage(input, output.name) << '\n';
                return ExitUsage;
            }
    }
    return ExitSuccess;
}

int finishStandardOutput(int status) {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int error = errno;
    if (flushed && !std::ferror(stdout) && std::cout.good()) return status;
    std::cerr << "Error writing to standard output: the report did not reach it whole"
              << (error != 0 ? std::string(" (") + std::strerror(error) + ")" : std::string()) << '\n';
    return status == ExitUsage ? ExitUsage : ExitCantOpen;
}

}  // namespace quarnel::cli
