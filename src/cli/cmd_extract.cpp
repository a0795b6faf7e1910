// quarnel-cli extract ROM ID [SUB1 SUB2] -o OUT: writes a module's plain
// contents (decoded when the module is compressed).
#include <functional>
#include <iostream>
#include <memory>
#include <string>

#include "command.h"
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

int extractModule(const ExtractOptions& options) {
    image::RomImage rom;
    if (Result loaded = platform::loadImage(rom, options.romName); !loaded.ok())
        return reportFileFailure(loaded, options.romName);
    const image::ModuleEntry* module = image::findModule(rom, options.key.id(), options.key.sub2(), options.key.sub1());
    if (!module) {
        std::cerr << "Can't find " << options.key.text() << '\n';
        return ExitBadData;
    }
    if (Result written = writeOutput(options.outName, module->data); !written.ok())
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
