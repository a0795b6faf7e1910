// quarnel-cli compress IN OUT: writes the compressed area of IN (packedSize,
// unpackedSize, the bit stream and its closing byte), as a compressed module
// of the image holds it. A stream that would grow beyond its input is cut
// short by the encoder; such a stream never reaches OUT. --threads N sets
// how many threads find the matches of a long input (the bytes are the same
// for every N).
#include <functional>
#include <iostream>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <vector>

#include "command.h"
#include "image/memory_message.h"
#include "lzh/lzh.h"
#include "platform/file_io.h"
#include "threads_option.h"

namespace quarnel::cli {
namespace {

int compressFile(const std::string& inName, const std::string& outName, unsigned threads) {
    std::vector<std::uint8_t> plain;
    if (Result read = platform::readWholeFile(inName, plain); !read.ok()) return reportFailure(read);

    // Left unfilled: the encoder writes every byte it reports, and pages
    // beyond the compressed size are never touched.
    const std::size_t areaSize = plain.size() + lzh::EncodeOverhead;
    std::unique_ptr<std::uint8_t[]> areaBytes;
    try {
        areaBytes = std::make_unique_for_overwrite<std::uint8_t[]>(areaSize);
    } catch (const std::bad_alloc&) {
        return reportFailure(image::notEnoughMemory("the compressed data of " + inName, areaSize));
    }
    std::span<std::uint8_t> area(areaBytes.get(), areaSize);
    lzh::LzhEncodeOptions options;
    options.threads = threads;
    lzh::LzhEncoded encoded;
    if (Result r = lzh::LzhEncode(plain, area, encoded, options); !r.ok()) return reportFailure(r);
    if (!encoded.complete) {
        std::cerr << inName << " can't be compressed: its compressed stream would be longer than the data itself. "
                  << outName << " was not written.\n";
        return ExitBadData;
    }
    if (Result written = writeOutput(outName, area.first(encoded.size)); !written.ok())
        return reportFailure(written);
    return ExitSuccess;
}

const CommandRegistration compressRegistration{{
    .order = 50,
    .name = "compress",
    .description = "Writes the LZH-compressed area of a file (the form of a compressed module)",
    .setup =
        [](CLI::App& command) {
            auto inName = std::make_shared<std::string>();
            auto outName = std::make_shared<std::string>();
            command.add_option("IN", *inName, "File to compress")->required();
            command.add_option("OUT", *outName, "Compressed area to write (- for standard output)")->required();
            auto threads = std::make_shared<unsigned>(0);
            addThreadsOption(command, *threads);
            return CommandAction{[inName, outName, threads] { return compressFile(*inName, *outName, *threads); },
                                 [inName, outName] { return CommandFiles{{*inName}, {{"OUT", *outName}}}; }};
        },
}};

}  // namespace
}  // namespace quarnel::cli
