// quarnel-cli decompress IN OUT: expands the compressed area held in IN (the
// whole file is the room the area may take) and writes its contents to OUT
// as they are decoded, in memory of the window's size whatever the area
// claims. A malformed area leaves no OUT behind.
#include <functional>
#include <iostream>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "command.h"
#include "lzh/lzh.h"
#include "platform/file_io.h"

namespace quarnel::cli {
namespace {

int decompressFile(const std::string& inName, const std::string& outName) {
    std::vector<std::uint8_t> area;
    if (Result read = platform::readWholeFile(inName, area); !read.ok()) return reportFailure(read);
    if (!lzh::readAreaHeader(area)) {
        std::cerr << inName << " holds no compressed area: it is shorter than the area's 8-byte header.\n";
        return ExitBadData;
    }

    OutputStream out;
    if (Result opened = out.open(outName); !opened.ok()) return reportFailure(opened);
    Result written;
    const Result decoded = lzh::LzhDecodeTo(area, [&](std::span<const std::uint8_t> piece) {
        written = out.write(piece);
        return written.ok();
    });
    if (!written.ok()) return reportFailure(written);
    if (!decoded.ok()) {
        std::cerr << inName << ": " << decoded.message << '\n';
        return ExitBadData;
    }
    if (Result finished = out.finish(); !finished.ok()) return reportFailure(finished);
    return ExitSuccess;
}

const CommandRegistration decompressRegistration{{
    .order = 51,
    .name = "decompress",
    .description = "Expands an LZH-compressed area (the form of a compressed module) into its contents",
    .setup =
        [](CLI::App& command) {
            auto inName = std::make_shared<std::string>();
            auto outName = std::make_shared<std::string>();
            command.add_option("IN", *inName, "Compressed area to expand")->required();
            command.add_option("OUT", *outName, "File to write the contents to (- for standard output)")->required();
            return CommandAction{[inName, outName] { return decompressFile(*inName, *outName); },
                                 [inName, outName] { return CommandFiles{{*inName}, {{"OUT", *outName}}}; }};
        },
}};

}  // namespace
}  // namespace quarnel::cli
