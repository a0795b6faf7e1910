#include "verify_image.h"

#include <new>

#include "block_checksum.h"
#include "image_layout.h"
#include "lzh/lzh.h"
#include "module_chain.h"

namespace quarnel::image {
namespace {

void checkBlockChecksum(std::span<const std::uint8_t> bytes, DirectoryGeneration generation, const ModuleBlock& block,
                        VerifyReport& report) {
    if (!blockChecksumHolds(bytes, generation, block.blockStart(), block.blockLength()))
        report.faults.push_back(moduleName(block) + ": the block checksum does not match");
}

void checkDecodes(std::span<const std::uint8_t> bytes, const ModuleBlock& block, std::vector<std::uint8_t>& out,
                  VerifyReport& report) {
    if (!block.compressed || block.size == NoContents) return;
    try {
        out.resize(block.size);
    } catch (const std::bad_alloc&) {
        report.faults.push_back(moduleName(block) + ": not enough memory to decode it");
        return;
    }
    const Result decoded = lzh::LzhDecode(bytes.subspan(block.dataOffset()), out);
    if (!decoded.ok()) report.faults.push_back(moduleName(block) + ": does not decode: " + decoded.message);
}

void checkDirectoryChecksum(std::span<const std::uint8_t> bytes, std::uint32_t directory, VerifyReport& report) {
    std::uint32_t start = 0, stretch = 0;
    const bool inside = directoryStretch(bytes, directory, start, stretch);
    report.directoryChecksumHolds = inside && dwordChecksum(bytes, start, stretch) == 0;
    if (report.directoryChecksumHolds) return;
    std::string what = inside ? "The directory checksum does not match"
                              : "The directory checksum covers " + std::to_string(stretch) +
                                    " bytes, more than lie before the end of the directory";
    if (report.generation != DirectoryGeneration::V0800) {
        report.faults.push_back(what);
        return;
    }
    report.notes.push_back(what + "; 0800 builders leave it so, and every block checksum is checked instead");
}

}  // namespace

const char* directoryChecksumState(bool holds) { return holds ? "holds" : "does not hold"; }

VerifyReport verifyImage(std::span<const std::uint8_t> bytes, bool decode) {
    VerifyReport report;
    const ModuleChain chain = describeModuleChain(bytes);
    report.result = chain.result;
    report.directoryVersion = chain.directoryVersion;
    report.generation = chain.generation;
    if (!chain.result.ok()) return report;
    std::vector<std::uint8_t> decoded;
    for (const ModuleBlock& block : chain.blocks) {
        checkBlockChecksum(bytes, chain.generation, block, report);
        if (decode) checkDecodes(bytes, block, decoded, report);
    }
    checkDirectoryChecksum(bytes, chain.directoryOffset, report);
    return report;
}

}  // namespace quarnel::image
