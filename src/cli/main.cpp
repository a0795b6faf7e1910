// quarnel-cli: the scripting companion of the Quarnel window.
#include <signal.h>

#include <iostream>
#include <memory>

#include "command.h"
#include "image/file_io.h"
#include "version.h"

namespace {

// An interrupted write leaves no temporary file behind: the handler removes
// them, then lets the signal end the process as it would have.
extern "C" void removeTemporaryFilesAndDie(int number) {
    quarnel::image::removeTemporaryFiles();
    ::signal(number, SIG_DFL);
    ::raise(number);
}

void removeTemporaryFilesOnSignals() {
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

}  // namespace

int main(int argc, char** argv) {
    using namespace quarnel::cli;
    removeTemporaryFilesOnSignals();

    CLI::App app{"Edits the DMI strings and the system UUID inside an AMI BIOS ROM image.", "quarnel-cli"};
    app.set_version_flag("--version", std::string("quarnel-cli ") + QUARNEL_VERSION_TEXT);
    app.require_subcommand(1);
    app.fallthrough(false);

    std::vector<std::pair<CLI::App*, CommandAction>> actions;
    for (const CommandSpec& spec : registeredCommands()) {
        CLI::App* command = app.add_subcommand(spec.name, spec.description);
        actions.emplace_back(command, spec.setup(*command));
        for (const char* output : {"--output", "OUT", "--dump-bin"})
            if (command->get_option_no_throw(output) != nullptr) command->footer(OutputFilesNote);
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return ExitUsage;
    }

    for (auto& [command, action] : actions)
        if (command->parsed()) {
            if (const int refused = checkFileArguments(action.files()); refused != ExitSuccess) return refused;
            return finishStandardOutput(action.run());
        }
    return ExitUsage;
}
