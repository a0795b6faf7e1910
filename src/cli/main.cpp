// quarnel-cli: the scripting companion of the Quarnel window.
#include <iostream>
#include <memory>

#include "command.h"
#include "version.h"

int main(int argc, char** argv) {
    using namespace quarnel::cli;

    CLI::App app{"Edits the DMI strings and the system UUID inside an AMI BIOS ROM image.", "quarnel-cli"};
    app.set_version_flag("--version", std::string("quarnel-cli ") + QUARNEL_VERSION_TEXT);
    app.require_subcommand(1);
    app.fallthrough(false);

    std::vector<std::pair<CLI::App*, std::function<int()>>> actions;
    for (const CommandSpec& spec : registeredCommands()) {
        CLI::App* command = app.add_subcommand(spec.name, spec.description);
        actions.emplace_back(command, spec.setup(*command));
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
        if (command->parsed()) return action();
    return ExitUsage;
}
