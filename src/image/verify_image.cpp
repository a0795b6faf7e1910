#include "verify_image.h"

#include <new>

#include "image_layout.h"
#include "lzh/lzh.h"
#include "module_chain.h"

namespace quarnel::image {
namespace {

// 0800 blocks sum to 0 in 32-bit words; 0700 blocks carry an 8-bit
// checksum; 06xx blocks carry none (the directory checksum covers them).
void checkBlockChecksum(std::span<const std::uint8_t> bytes, DirectoryGeneration generation, const ModuleBlock& block,
                        VerifyReport& report) {
    bool holds = true;
    if (generation == DirectoryGeneration::V0800)
        holds = dwordChecksum(bytes, block.blockStart(), block.blockLength()) == 0;
    else if (generation == DirectoryGeneration::V0700)
        holds = readU32(bytes, block.blockStart() + BlockChecksumField) ==
                byteChecksum(bytes, block.blockStart(), block.blockLength());
    if (!holds) report.faults.push_back(moduleName(block) + ": the block checksum does not match");
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
    const std::uint32_t stretch = 8u * readU16(bytes, directory + ChecksumUnitsField);
    if (stretch > directory + DirectoryHeaderSize)
        report.faults.push_back("The directory checksum covers " + std::to_string(stretch) +
                                " bytes, more than lie before the end of the directory");
    else if (dwordChecksum(bytes, directory + DirectoryHeaderSize - stretch, stretch) != 0)
        report.faults.push_back("The directory checksum does not match");
}

}  // namespace

VerifyReport verifyImage(std::span<const std::uint8_t> bytes) {
    VerifyReport report;
    const ModuleChain chain = describeModuleChain(bytes);
    report.result = chain.result;
    report.directoryVersion = chain.directoryVersion;
    report.generation = chain.generation;
    if (!chain.result.ok()) return report;
    std::vector<std::uint8_t> decoded;
    for (const ModuleBlock& block : chain.blocks) {
        checkBlockChecksum(bytes, chain.generation, block, report);
        checkDecodes(bytes, block, decoded, report);
    }
    checkDirectoryChecksum(bytes, chain.directoryOffset, report);
    return report;
}

}  // namespace quarnel::image
