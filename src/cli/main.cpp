// quarnel-cli: the scripting companion of the Quarnel window.
#include <iostream>
#include <memory>

#include "command.h"
#include "platform/system.h"
#include "version.h"

int main(int argc, char** argv) {
    using namespace quarnel::cli;
    namespace platform = quarnel::platform;
    platform::removeTemporaryFilesOnInterrupt();
    platform::prepareStandardStreams();

    CLI::App app{"Edits the DMI strings and the system UUID inside an AMI BIOS ROM image.", "quarnel-cli"};
    app.set_version_flag("--version", std::string("quarnel-cli ") + QUARNEL_VERSION_TEXT);
    app.require_subcommand(1);
    app.fallthrough(false);
    // "/name" is a file (on Windows too, on the current drive), never an option.
    app.allow_windows_style_options(false);

    std::vector<std::pair<CLI::App*, CommandAction>> actions;
    for (const CommandSpec& spec : registeredCommands()) {
        CLI::App* command = app.add_subcommand(spec.name, spec.description);
        actions.emplace_back(command, spec.setup(*command));
        for (const char* output : {"--output", "OUT", "--dump-bin"})
            if (command->get_option_no_throw(output) != nullptr) command->footer(OutputFilesNote);
    }

    try {
        const std::vector<std::string> arguments = platform::commandLineArguments(argc, argv);
        std::vector<const char*> pointers;
        for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
        app.parse(static_cast<int>(pointers.size()), pointers.data());
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
