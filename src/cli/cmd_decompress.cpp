// quarnel-cli decompress IN OUT: expands the compressed area held in IN (the
// whole file is the room the area may take) and writes its contents to OUT.
// A malformed area never reaches OUT.
#include <functional>
#include <iostream>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <vector>

#include "command.h"
#include "image/file_io.h"
#include "lzh/lzh.h"

namespace quarnel::cli {
namespace {

int decompressFile(const std::string& inName, const std::string& outName) {
    std::vector<std::uint8_t> area;
    if (image::ImageResult read = image::readWholeFile(inName, area); !read.ok()) return reportFailure(read);

    const std::optional<lzh::AreaHeader> header = lzh::readAreaHeader(area);
    if (!header) {
        std::cerr << inName << " holds no compressed area: it is shorter than the area's 8-byte header.\n";
        return ExitBadData;
    }
    // Left uninitialised: a malformed area that claims gigabytes fails
    // without the pages ever being touched.
    std::unique_ptr<std::uint8_t[]> buffer;
    try {
        buffer = std::make_unique_for_overwrite<std::uint8_t[]>(header->unpackedSize);
    } catch (const std::bad_alloc&) {
        std::cerr << "Out of memory.\n";
        return ExitBadData;
    }
    const std::span<std::uint8_t> plain(buffer.get(), header->unpackedSize);
    if (const lzh::LzhDecodeResult decoded = lzh::LzhDecode(area, plain); !decoded.ok) {
        std::cerr << inName << ": " << decoded.message << '\n';
        return ExitBadData;
    }
    if (image::ImageResult written = writeOutput(outName, plain); !written.ok())
        return reportFailure(written);
    return ExitSuccess;
}

const CommandRegistration registration{{
    .order = 51,
    .name = "decompress",
    .description = "Expands an LZH-compressed area (the form of a compressed module) into its contents",
    .setup =
        [](CLI::App& command) {
            auto inName = std::make_shared<std::string>();
            auto outName = std::make_shared<std::string>();
            command.add_option("IN", *inName, "Compressed area to expand")->required();
            command.add_option("OUT", *outName, "File to write the contents to (- for standard output)")->required();
            return std::function<int()>([inName, outName] { return decompressFile(*inName, *outName); });
        },
}};

}  // namespace
}  // namespace quarnel::cli
