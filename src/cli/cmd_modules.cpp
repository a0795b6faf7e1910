// quarnel-cli modules ROM [--json]: the directory's version and the module
// chain as it lies in the file, one row per module, without loading (nothing
// is decoded).
#include <nlohmann/json.hpp>

#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "command.h"
#include "image/block_checksum.h"
#include "image/hex_text.h"
#include "image/module_chain.h"
#include "image/verify_image.h"
#include "image_command_args.h"
#include "platform/file_io.h"

namespace quarnel::cli {
namespace {

using image::hexText;
using image::ModuleBlock;

struct ModulesOptions {
    std::string romName;
    bool json = false;
};

void printJson(const image::ModuleChain& chain, std::span<const std::uint8_t> bytes) {
    nlohmann::json rows = nlohmann::json::array();
    for (const ModuleBlock& block : chain.blocks)
        rows.push_back({{"index", block.index},
                        {"moduleId", block.moduleId},
                        {"flags", block.flags},
                        {"subId1", block.subId1},
                        {"subId2", block.subId2},
                        {"compressed", block.compressed},
                        {"dataSize", block.dataSize},
                        {"size", block.size},
                        {"headerOffset", block.headerOffset},
                        {"blockStart", block.blockStart()},
                        {"blockLength", block.blockLength()}});
    const nlohmann::json report = {{"directoryVersion", chain.directoryVersion},
                                   {"generation", image::generationName(chain.generation)},
                                   {"directoryOffset", chain.directoryOffset},
                                   {"directoryChecksum", image::directoryChecksumState(image::directoryChecksumHolds(
                                                             bytes, chain.directoryOffset))},
                                   {"modules", rows}};
    std::cout << report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

void printTable(const image::ModuleChain& chain) {
    std::printf("Directory version %s (%s rules), AMIBIOSC at 0x%s, %zu modules\n", chain.directoryVersion.c_str(),
                image::generationName(chain.generation), hexText(chain.directoryOffset, 5).c_str(), chain.blocks.size());
    std::printf("%5s  %-4s  %-5s  %-6s  %-6s  %-10s  %9s  %9s  %s\n", "Index", "ID", "Flags", "SubId1", "SubId2", "Form",
                "DataSize", "Size", "Header");
    for (const ModuleBlock& block : chain.blocks) {
        const std::string size = block.size == image::NoContents ? "none" : std::to_string(block.size);
        std::printf("%5u  %-4s  %-5s  %-6s  %-6s  %-10s  %9u  %9s  %s\n", block.index,
                    ("0x" + hexText(block.moduleId, 2)).c_str(), ("0x" + hexText(block.flags, 2)).c_str(),
                    ("0x" + hexText(block.subId1, 4)).c_str(), ("0x" + hexText(block.subId2, 4)).c_str(),
                    block.compressed ? "compressed" : "stored", block.dataSize, size.c_str(),
                    ("0x" + hexText(block.headerOffset, 5)).c_str());
    }
}

int listModules(const ModulesOptions& options) {
    std::vector<std::uint8_t> bytes;
    if (Result read = platform::readWholeFile(options.romName, bytes); !read.ok())
        return reportFileFailure(read, options.romName);
    image::ModuleChain chain = image::describeModuleChain(bytes);
    if (chain.result.outcome == Outcome::NoDirectory)
        chain.result.message = image::noDirectoryMessage(options.romName);
    if (!chain.result.ok()) return reportFailure(chain.result);
    if (options.json)
        printJson(chain, bytes);
    else
        printTable(chain);
    return ExitSuccess;
}

const CommandRegistration modulesRegistration{{
    .order = 30,
    .name = "modules",
    .description = "Lists the module chain of a ROM image",
    .setup =
        [](CLI::App& command) {
            auto options = std::make_shared<ModulesOptions>();
            command.add_option("ROM", options->romName, "ROM image file")->required();
            command.add_flag("--json", options->json, "Print the directory version and the modules as JSON");
            return CommandAction{[options] { return listModules(*options); },
                                 [options] { return CommandFiles{{options->romName}, {}}; }};
        },
}};

}  // namespace
}  // namespace quarnel::cli
