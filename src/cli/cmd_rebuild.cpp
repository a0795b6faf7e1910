// quarnel-cli rebuild ROM -o OUT: loads the image and writes it rebuilt with
// no change: every compressed module encoded anew, the chain laid out again
// below the directory, all checksums set.
#include <functional>
#include <iostream>
#include <memory>
#include <string>

#include "command.h"
#include "image/rom_image.h"
#include "image_command_args.h"
#include "threads_option.h"

namespace quarnel::cli {
namespace {

struct RebuildOptions {
    std::string romName;
    std::string outName;
    unsigned threads = 0;
    bool force = false;
};

int rebuildRom(const RebuildOptions& options) {
    image::RomImage rom;
    if (int status = loadCheckedInput(rom, options.romName, options.force); status != ExitSuccess) return status;
    if (Result rebuilt = image::rebuildImageInPlace(rom, options.threads); !rebuilt.ok())
        return reportFailure(rebuilt);
    if (Result written = writeOutput(options.outName, rom.bytes); !written.ok())
        return reportFailure(written);
    reportStream(options.outName) << "Wrote " << options.outName << '\n';
    return ExitSuccess;
}

const CommandRegistration rebuildRegistration{{
    .order = 34,
    .name = "rebuild",
    .description = "Loads a ROM image and writes it rebuilt without change",
    .setup =
        [](CLI::App& command) {
            auto options = std::make_shared<RebuildOptions>();
            command.add_option("ROM", options->romName, "ROM image file")->required();
            command.add_option("-o,--output", options->outName, "Image file to write (- for standard output)")
                ->required();
            addForceFlag(command, options->force);
            addThreadsOption(command, options->threads);
            return CommandAction{[options] { return rebuildRom(*options); },
                                 [options] { return CommandFiles{{options->romName}, {{"--output", options->outName}}}; }};
        },
}};

}  // namespace
}  // namespace quarnel::cli
