// The vendors' own compressed modules never need the last byte of their
// stream: refusing a stream that needs bits beyond its end refuses none of
// them. Read from the real dumps of QUARNEL_FIRMWARE_DIR, skipped without it.
#include <gtest/gtest.h>

#include <filesystem>

#include "image/module_chain.h"
#include "lzh/lzh.h"
#include "support/firmware_images.h"
#include "support/test_files.h"

namespace quarnel::image {
namespace {

TEST(RealStreams, EveryVendorCompressedModuleDecodesWithoutItsLastByte) {
    const std::filesystem::path folder = test::firmwareFolder();
    if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << folder << " is absent: no real images to read";
    int modules = 0;
    for (const auto& file : std::filesystem::directory_iterator(folder)) {
        std::vector<std::uint8_t> bytes = test::readFile(file.path());
        const ModuleChain chain = describeModuleChain(bytes);
        if (!chain.result.ok()) continue;  // not a chain this loader follows
        for (const ModuleBlock& block : chain.blocks) {
            if (!block.compressed || block.size == NoContents) continue;
            std::vector<std::uint8_t> area(bytes.begin() + block.dataOffset(), bytes.end());
            const std::uint32_t packedSize = lzh::readAreaHeader(area)->packedSize;
            for (int i = 0; i < 4; ++i) area[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((packedSize - 1) >> (8 * i));
            std::vector<std::uint8_t> whole(block.size), shorter(block.size);
            const std::span<const std::uint8_t> original(bytes.data() + block.dataOffset(), bytes.size() - block.dataOffset());
            ASSERT_TRUE(lzh::LzhDecode(original, whole).ok()) << file.path() << ' ' << moduleName(block);
            const quarnel::Result decoded = lzh::LzhDecode(area, shorter);
            EXPECT_TRUE(decoded.ok() && shorter == whole) << file.path() << ' ' << moduleName(block) << decoded.message;
            ++modules;
        }
    }
    if (modules == 0) GTEST_SKIP() << "no compressed module in " << folder;
    std::cout << modules << " vendor-compressed modules decode without their last byte\n";
}

}  // namespace
}  // namespace quarnel::image
