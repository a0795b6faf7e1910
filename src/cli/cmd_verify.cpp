// quarnel-cli verify ROM: checks the image as it lies in the file: every
// block checksum, the directory checksum, and that every compressed module
// decodes. One line per fault; exit 0 only when all hold.
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "command.h"
#include "image/file_io.h"
#include "image/module_chain.h"
#include "image/verify_image.h"
#include "image_command_args.h"

namespace quarnel::cli {
namespace {

int verifyRom(const std::string& romName) {
    std::vector<std::uint8_t> bytes;
    if (Result read = image::readWholeFile(romName, bytes); !read.ok())
        return reportFileFailure(read, romName);
    image::VerifyReport report = image::verifyImage(bytes);
    if (report.result.outcome == Outcome::NoDirectory)
        report.result.message = image::noDirectoryMessage(romName);
    if (!report.result.ok()) return reportFailure(report.result);
    std::cout << romName << ": directory version " << report.directoryVersion << " ("
              << image::generationName(report.generation) << " rules)\n";
    for (const std::string& fault : report.faults) std::cout << fault << '\n';
    if (!report.faults.empty()) return ExitBadData;
    std::cout << romName << ": every checksum holds and every compressed module decodes\n";
    return ExitSuccess;
}

const CommandRegistration verifyRegistration{{
    .order = 31,
    .name = "verify",
    .description = "Checks the checksums of a ROM image and that its compressed modules decode",
    .setup =
        [](CLI::App& command) {
            auto romName = std::make_shared<std::string>();
            command.add_option("ROM", *romName, "ROM image file")->required();
            return std::function<int()>([romName] { return verifyRom(*romName); });
        },
}};

}  // namespace
}  // namespace quarnel::cli
