// The layout, encoding and checksums of a rebuilt image, read back from the
// file the rebuild wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "image/image_fixtures.h"
#include "image/rom_image.h"
#include "image/verify_image.h"
#include "platform/image_files.h"
#include "support/test_files.h"

namespace quarnel::image {
namespace {

using test::FixtureDirectory;
using test::FixtureFileSize;
using test::le16;
using test::le32;
using test::MixedChain;
using test::TestImageWriter;

constexpr std::uint32_t AreaEnd = FixtureDirectory - 10;

std::vector<std::uint8_t> rebuilt(RomImage& image) {
    test::TempDir dir;
    const auto out = dir.path() / "new.rom";
    const Result result = platform::rebuildImage(image, out.string());
    EXPECT_TRUE(result.ok()) << result.message;
    return test::readFile(out);
}

// An empty chain above an erased module area: all of it is room for blocks.
RomImage emptyChain() {
    std::vector<std::uint8_t> file = TestImageWriter(FixtureFileSize, FixtureDirectory).build();
    std::fill_n(file.begin(), AreaEnd, 0xFF);
    RomImage image;
    EXPECT_TRUE(loadImageBytes(image, file).ok());
    return image;
}

std::uint32_t linkTarget(std::span<const std::uint8_t> file, std::uint32_t at) {
    return le16(file, at + 2) * 16u + le16(file, at) + static_cast<std::uint32_t>(file.size()) - 0x100000u;
}

TEST(RebuildLayout, OneStoredModuleOfHundredBytesEndsAtTheModuleAreaEnd) {
    RomImage image = emptyChain();
    const std::vector<std::uint8_t> contents = test::seabiosCode(100);
    ASSERT_TRUE(replaceModule(image, 0x21, 0, 0, 0x80, contents).ok());
    const std::vector<std::uint8_t> file = rebuilt(image);
    ASSERT_EQ(file.size(), FixtureFileSize);

    const std::uint32_t start = AreaEnd - 120, header = AreaEnd - 112;
    EXPECT_EQ(le32(file, start), 100u);
    EXPECT_EQ(linkTarget(file, FixtureDirectory + 18), header);
    EXPECT_EQ(le32(file, header), 0xFFFFFFFFu);  // next: end of chain
    EXPECT_EQ(le16(file, header + 4), 100);      // size16
    EXPECT_EQ(file[header + 6], 0x21);
    EXPECT_EQ(file[header + 7], 0x80);
    EXPECT_TRUE(std::equal(contents.begin(), contents.end(), file.begin() + AreaEnd - 100));
    EXPECT_TRUE(std::all_of(file.begin(), file.begin() + start, [](std::uint8_t b) { return b == 0xFF; }));
}

// Normalised links, no gaps, the top of the image kept; the rebuilt image
// loads back to the same modules in the same order and verifies.
TEST(RebuildLayout, BlocksFollowTheListDownwardsAndLoadBackInOrder) {
    const MixedChain chain(2, test::ChainLayout::AsRebuilt);
    RomImage image;
    ASSERT_TRUE(loadImageBytes(image, chain.file).ok());
    const std::vector<std::uint8_t> afterLoad = image.bytes;
    const ModuleList before = image.modules;
    const std::vector<std::uint8_t> file = rebuilt(image);

    std::uint32_t blockEnd = AreaEnd;
    std::uint32_t link = FixtureDirectory + 18;
    for (std::size_t i = 0; i < chain.modules.size(); ++i) {
        SCOPED_TRACE(i);
        const std::uint32_t header = linkTarget(file, link);
        // Normalised, unless the link as read led to the same header.
        if (le32(file, link) != le32(chain.file, link)) {
            EXPECT_EQ(le16(file, link), (header + 0x100000 - FixtureFileSize) & 0xF);
        }
        EXPECT_EQ(header + 12 + le32(file, header - 8), blockEnd);        // no gap
        EXPECT_EQ(file[header + 6], chain.modules[i].moduleId);
        blockEnd = header - 8;
        link = header;
    }
    EXPECT_EQ(le32(file, link), 0xFFFFFFFFu);
    // The old chain's span is cleared down to its lowest block; below that
    // the bytes are not the chain's and stay as they were.
    const std::uint32_t oldLowest = chain.modules.back().headerOffset - 8;
    ASSERT_LT(blockEnd, AreaEnd);
    if (blockEnd > oldLowest) {
        EXPECT_TRUE(std::all_of(file.begin() + oldLowest, file.begin() + blockEnd, [](std::uint8_t b) { return b == 0xFF; }));
    }
    EXPECT_TRUE(std::equal(file.begin(), file.begin() + std::min(oldLowest, blockEnd), chain.file.begin()));
    // From the module area's end up, the image is as loaded but for the
    // directory checksum and first link.
    std::vector<std::uint8_t> expectedTop(afterLoad.begin() + AreaEnd, afterLoad.end());
    std::copy_n(file.begin() + FixtureDirectory + 14, 8, expectedTop.begin() + 10 + 14);
    EXPECT_TRUE(std::equal(expectedTop.begin(), expectedTop.end(), file.begin() + AreaEnd));

    RomImage again;
    ASSERT_TRUE(loadImageBytes(again, file).ok());
    ASSERT_EQ(again.modules.size(), before.size());
    const auto kept = [](const ModuleEntry& m) {
        return std::tie(m.moduleId, m.flags, m.subId1, m.subId2, m.compressed, m.data);
    };
    for (std::size_t i = 0; i < before.size(); ++i) EXPECT_TRUE(kept(again.modules[i]) == kept(before[i])) << i;
    EXPECT_TRUE(verifyImage(file).faults.empty());
}

TEST(RebuildChecksums, EveryBlockAndTheDirectorySumToZero) {
    // Odd stored lengths put blocks off word boundaries, so last words reach
    // into the block above; 6 units make the directory stretch reach below
    // the module area's end.
    const MixedChain chain(6, test::ChainLayout::AsRebuilt);
    RomImage image;
    ASSERT_TRUE(loadImageBytes(image, chain.file).ok());
    const std::vector<std::uint8_t> file = rebuilt(image);

    std::uint32_t link = FixtureDirectory + 18;
    int blocks = 0;
    while (le32(file, link) != 0xFFFFFFFF) {
        const std::uint32_t header = linkTarget(file, link);
        EXPECT_EQ(test::wordSum(file, header - 8, le32(file, header - 8) + 20), 0u) << "block " << blocks;
        link = header;
        ++blocks;
    }
    EXPECT_EQ(blocks, 6);
    EXPECT_EQ(test::wordSum(file, FixtureDirectory + 22 - 48, 48), 0u);
}

TEST(RebuildChecksums, ADirectoryChecksumOverNothingKeepsItsField) {
    MixedChain chain(0, test::ChainLayout::AsRebuilt);
    chain.file[FixtureDirectory + 14] ^= 0x5A;
    RomImage image;
    ASSERT_TRUE(loadImageBytes(image, chain.file).ok());
    const std::vector<std::uint8_t> file = rebuilt(image);
    EXPECT_EQ(le32(file, FixtureDirectory + 14), le32(chain.file, FixtureDirectory + 14));
}

TEST(RebuildEncoding, PadsTheAreaToWholeWordsWithFFAndKeepsPackedSize) {
    // Find firmware code whose encoding is 4k + 1 bytes long.
    std::vector<std::uint8_t> contents;
    for (std::size_t length = 200; length < 400 && contents.empty(); ++length) {
        std::vector<std::uint8_t> code = test::seabiosCode(length, 60000);
        if (test::compressedArea(code).size() % 4 == 1) contents = std::move(code);
    }
    ASSERT_FALSE(contents.empty());
    const std::uint32_t packed = static_cast<std::uint32_t>(test::compressedArea(contents).size());

    RomImage image = emptyChain();
    ASSERT_TRUE(replaceModule(image, 6, 0, 0, 0, contents).ok());
    const std::vector<std::uint8_t> file = rebuilt(image);
    const std::uint32_t header = linkTarget(file, FixtureDirectory + 18);
    EXPECT_EQ(le32(file, header - 8), packed + 3);
    EXPECT_EQ(le32(file, header + 12), packed);                 // packedSize
    EXPECT_EQ(le32(file, header + 16), contents.size());        // unpackedSize
    for (std::uint32_t i = 0; i < 3; ++i) EXPECT_EQ(file[header + 12 + packed + i], 0xFF);
    EXPECT_EQ(image.modules[0].size, packed + 3);
}

TEST(RebuildEncoding, AModuleWithoutContentsBecomesAnAreaOfZeroBytes) {
    RomImage image;
    const std::uint32_t start = AreaEnd - 29;
    auto source = TestImageWriter(FixtureFileSize, FixtureDirectory)
                      .addModule({.headerOffset = start + 8, .moduleId = 0x22, .dataArea = test::noContentsArea()})
                      .build();
    std::fill_n(source.begin(), start, 0xFF);
    ASSERT_TRUE(loadImageBytes(image, source).ok());
    const std::vector<std::uint8_t> file = rebuilt(image);
    const std::uint32_t header = linkTarget(file, FixtureDirectory + 18);
    EXPECT_EQ(le32(file, header - 8), 12u);
    EXPECT_EQ(le32(file, header + 12), 9u);
    EXPECT_EQ(le32(file, header + 16), 0u);

    RomImage again;
    ASSERT_TRUE(loadImageBytes(again, file).ok());
    EXPECT_EQ(again.modules[0].size, 0u);
    EXPECT_TRUE(again.modules[0].data.empty());
}

TEST(RebuildEncoding, FlagsBit6StoresTheModuleWhateverItsCompressedValue) {
    RomImage image = emptyChain();
    const std::vector<std::uint8_t> contents = test::seabiosCode(500);
    ASSERT_TRUE(replaceModule(image, 6, 0, 0, 0x00, contents).ok());
    ASSERT_TRUE(image.modules[0].compressed);
    image.modules[0].flags = 0x40;
    const std::vector<std::uint8_t> file = rebuilt(image);
    const std::uint32_t header = linkTarget(file, FixtureDirectory + 18);
    EXPECT_EQ(le32(file, header - 8), 500u);
    EXPECT_TRUE(std::equal(contents.begin(), contents.end(), file.begin() + header + 12));
    EXPECT_FALSE(image.modules[0].compressed);
}

TEST(RebuildLayout, Size16IsTheDataSizeBelow64KiBAndFFFFFromThereOn) {
    for (const std::uint32_t size : {0xFFFFu, 0x10000u, 0x10001u}) {
        SCOPED_TRACE(size);
        RomImage image = emptyChain();
        ASSERT_TRUE(replaceModule(image, 0x30, 0, 0, 0x80, std::vector<std::uint8_t>(size, 0x5A)).ok());
        const std::vector<std::uint8_t> file = rebuilt(image);
        const std::uint32_t header = linkTarget(file, FixtureDirectory + 18);
        EXPECT_EQ(le32(file, header - 8), size);
        EXPECT_EQ(le16(file, header + 4), 0xFFFF);
    }
}

}  // namespace
}  // namespace quarnel::image
