#include "verify_image.h"

#include <new>

#include "image_layout.h"
#include "lzh/lzh.h"
#include "module_chain.h"

namespace quarnel::image {
namespace {

void checkBlockChecksum(std::span<const std::uint8_t> bytes, const ModuleBlock& block, VerifyReport& report) {
    if (dwordChecksum(bytes, block.blockStart(), block.blockLength()) != 0)
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
    const lzh::LzhDecodeResult decoded = lzh::LzhDecode(bytes.subspan(block.dataOffset()), out);
    if (!decoded.ok) report.faults.push_back(moduleName(block) + ": does not decode: " + decoded.message);
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
    if (!chain.result.ok()) return report;
    std::vector<std::uint8_t> decoded;
    for (const ModuleBlock& block : chain.blocks) {
        checkBlockChecksum(bytes, block, report);
        checkDecodes(bytes, block, decoded, report);
    }
    checkDirectoryChecksum(bytes, chain.directoryOffset, report);
    return report;
}

}  // namespace quarnel::image
