// quarnel-cli extract ROM ID [SUB1 SUB2] -o OUT: writes a module's plain
// contents (decoded when the module is compressed).
#include <functional>
#include <iostream>
#include <memory>
#include <string>

#include "command.h"
#include "image/lone_module.h"
#include "image/module_chain.h"
#include "image/rom_image.h"
#include "image_command_args.h"
#include "platform/image_files.h"

namespace quarnel::cli {
namespace {

struct ExtractOptions {
    std::string romName;
    ModuleKeyArgs key;
    std::string outName;
};

// Only the module taken out must be sound: a chip read with other blocks
// damaged still gives up an intact one, with a note.
int extractModule(const ExtractOptions& options) {
    std::vector<std::uint8_t> bytes;
    if (Result r = platform::readWholeFile(options.romName, bytes); !r.ok()) return reportFailure(r);
    image::LoneModule module;
    if (Result r = image::readLoneModule(bytes, options.key.id(), options.key.sub2(), options.key.sub1(), module);
        !r.ok()) {
        if (r.outcome == Outcome::NoDirectory) return reportFailure({r.outcome, image::noDirectoryMessage(options.romName)});
        return reportFailure({r.outcome, options.romName + ": " + r.message});
    }
    if (!module.damageElsewhere.empty())
        std::cerr << "note: " << image::damageElsewhereNote(options.romName, options.key.text(), module.damageElsewhere)
                  << '\n';
    if (Result written = writeOutput(options.outName, module.entry.data); !written.ok())
        return reportFailure(written);
    return ExitSuccess;
}

const CommandRegistration extractRegistration{{
    .order = 32,
    .name = "extract",
    .description = "Writes the plain contents of a module",
    .setup =
        [](CLI::App& command) {
            auto options = std::make_shared<ExtractOptions>();
            command.add_option("ROM", options->romName, "ROM image file")->required();
            addModuleKeyOptions(command, options->key, false);
            command.add_option("-o,--output", options->outName, "File for the contents (- for standard output)")->required();
            return CommandAction{[options] { return extractModule(*options); },
                                 [options] { return CommandFiles{{options->romName}, {{"--output", options->outName}}}; }};
        },
}};

}  // namespace
}  // namespace quarnel::cli
