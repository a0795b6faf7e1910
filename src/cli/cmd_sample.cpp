// quarnel-cli sample OUT: writes the synthetic sample image (512 KiB, built
// from Debian's seabios code) to try the tool out on.
#include <functional>
#include <memory>
#include <string>

#include "command.h"
#include "sample/sample_image.h"

namespace quarnel::cli {
namespace {

const CommandRegistration sampleRegistration{{
    .order = 60,
    .name = "sample",
    .description = "Writes a synthetic sample ROM image (needs Debian's seabios package)",
    .setup =
        [](CLI::App& command) {
            auto outName = std::make_shared<std::string>();
            command.add_option("OUT", *outName, "Image to write, e.g. bios.rom")->required();
            return CommandAction{[outName] {
                                     Result written = sample::writeSampleImage(*outName);
                                     return written.ok() ? ExitSuccess : reportFailure(written);
                                 },
                                 [outName] { return CommandFiles{sample::sampleSourceFiles(), {{"OUT", *outName}}}; }};
        },
}};

}  // namespace
}  // namespace quarnel::cli
