// quarnel-cli verify ROM [--json]: checks the image as it lies in the file:
// every block checksum, the directory checksum, and that every compressed
// module decodes. One line per fault and per note; exit 0 only when there
// is no fault. A stale directory checksum of a 0800 directory is a note.
#include <nlohmann/json.hpp>

#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "command.h"
#include "image/module_chain.h"
#include "image/verify_image.h"
#include "image_command_args.h"
#include "platform/file_io.h"

namespace quarnel::cli {
namespace {

struct VerifyOptions {
    std::string romName;
    bool json = false;
};

void printJson(const std::string& romName, const image::VerifyReport& report) {
    const nlohmann::json json = {{"file", romName},
                                 {"directoryVersion", report.directoryVersion},
                                 {"generation", image::generationName(report.generation)},
                                 {"directoryChecksum", image::directoryChecksumState(report.directoryChecksumHolds)},
                                 {"faults", report.faults},
                                 {"notes", report.notes}};
    std::cout << json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

void printText(const std::string& romName, const image::VerifyReport& report) {
    std::cout << romName << ": directory version " << report.directoryVersion << " ("
              << image::generationName(report.generation) << " rules)\n";
    for (const std::string& fault : report.faults) std::cout << fault << '\n';
    for (const std::string& note : report.notes) std::cout << "note: " << note << '\n';
    if (report.faults.empty())
        std::cout << romName << ": every block checksum holds and every compressed module decodes\n";
}

int verifyRom(const VerifyOptions& options) {
    const std::string& romName = options.romName;
    std::vector<std::uint8_t> bytes;
    if (Result read = platform::readWholeFile(romName, bytes); !read.ok())
        return reportFileFailure(read, romName);
    image::VerifyReport report = image::verifyImage(bytes);
    if (report.result.outcome == Outcome::NoDirectory)
        report.result.message = image::noDirectoryMessage(romName);
    if (!report.result.ok()) return reportFailure(report.result);
    if (options.json)
        printJson(romName, report);
    else
        printText(romName, report);
    return report.faults.empty() ? ExitSuccess : ExitBadData;
}

const CommandRegistration verifyRegistration{{
    .order = 31,
    .name = "verify",
    .description = "Checks the checksums of a ROM image and that its compressed modules decode",
    .setup =
        [](CLI::App& command) {
            auto options = std::make_shared<VerifyOptions>();
            command.add_option("ROM", options->romName, "ROM image file")->required();
            command.add_flag("--json", options->json,
                             "Print the faults, the notes and the directory checksum's state as JSON");
            return CommandAction{[options] { return verifyRom(*options); },
                                 [options] { return CommandFiles{{options->romName}, {}}; }};
        },
}};

}  // namespace
}  // namespace quarnel::cli
