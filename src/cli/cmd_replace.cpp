// quarnel-cli replace ROM ID SUB1 SUB2 CONTENTS -o OUT: puts CONTENTS in as
// the module's plain contents, keeping its flags (a new module is appended
// with flags 0, so it is compressed unless its ID is 0x40 or 0x60), and
// writes the image with that module alone encoded and put in place: every
// other byte stays as read.
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "command.h"
#include "image/module_placement.h"
#include "image/rom_image.h"
#include "image_command_args.h"
#include "platform/file_io.h"
#include "threads_option.h"

namespace quarnel::cli {
namespace {

struct ReplaceOptions {
    std::string romName;
    ModuleKeyArgs key;
    std::string contentsName;
    std::string outName;
    unsigned threads = 0;
    bool force = false;
};

int replaceContents(const ReplaceOptions& options) {
    std::vector<std::uint8_t> contents;
    if (Result read = platform::readWholeFile(options.contentsName, contents); !read.ok())
        return reportFileFailure(read, options.contentsName);
    image::RomImage rom;
    if (int status = loadCheckedInput(rom, options.romName, options.force); status != ExitSuccess) return status;

    const ModuleKeyArgs& key = options.key;
    const image::ModuleEntry* existing = image::findModule(rom, key.id(), key.sub2(), key.sub1());
    const std::uint8_t flags = existing ? existing->flags : 0;
    if (!existing) reportStream(options.outName) << key.text() << " is not in " << options.romName << "; it is appended\n";
    if (Result replaced = image::replaceModule(rom, key.id(), key.sub2(), key.sub1(), flags, contents);
        !replaced.ok())
        return reportFailure(replaced);
    const auto index = static_cast<std::size_t>(image::findModule(rom, key.id(), key.sub2(), key.sub1()) -
                                                rom.modules.data());
    std::vector<std::uint8_t> out;
    image::Placement placement = image::Placement::Unchanged;
    if (Result placed = image::writeModuleInPlace(rom, index, out, options.threads, &placement); !placed.ok())
        return reportFailure(placed);
    if (Result written = writeOutput(options.outName, out); !written.ok()) return reportFailure(written);
    reportStream(options.outName) << "Wrote " << options.outName << " (" << key.text() << ": "
                                  << image::placementName(placement) << ")\n";
    return ExitSuccess;
}

const CommandRegistration replaceRegistration{{
    .order = 33,
    .name = "replace",
    .description = "Replaces (or appends) a module's contents and writes the image with that module alone changed",
    .setup =
        [](CLI::App& command) {
            auto options = std::make_shared<ReplaceOptions>();
            command.add_option("ROM", options->romName, "ROM image file")->required();
            addModuleKeyOptions(command, options->key, true);
            command.add_option("CONTENTS", options->contentsName, "File with the new plain contents")->required();
            command.add_option("-o,--output", options->outName, "Image file to write (- for standard output)")
                ->required();
            addForceFlag(command, options->force);
            addThreadsOption(command, options->threads);
            return CommandAction{[options] { return replaceContents(*options); },
                                 [options] {
                                     return CommandFiles{{options->romName, options->contentsName},
                                                         {{"--output", options->outName}}};
                                 }};
        },
}};

}  // namespace
}  // namespace quarnel::cli
