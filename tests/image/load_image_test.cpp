#include <gtest/gtest.h>

#include <algorithm>

#include "image/rom_image.h"
#include "image/image_fixtures.h"
#include "support/test_files.h"

namespace quarnel::image {
namespace {

using test::MixedChain;
using test::TestImageWriter;
using test::TestModule;

constexpr std::uint32_t FileSize = test::FixtureFileSize;
constexpr std::uint32_t Directory = test::FixtureDirectory;

TEST(LoadImage, ReadsEveryModuleInChainOrderWithItsPlainContents) {
    const MixedChain chain;
    RomImage image;
    ASSERT_TRUE(loadImageBytes(image, chain.file).ok());

    ASSERT_EQ(image.modules.size(), chain.modules.size());
    for (std::size_t i = 0; i < chain.modules.size(); ++i) {
        SCOPED_TRACE(i);
        const ModuleEntry& entry = image.modules[i];
        EXPECT_EQ(entry.moduleId, chain.modules[i].moduleId);
        EXPECT_EQ(entry.flags, chain.modules[i].flags);
        EXPECT_EQ(entry.subId1, chain.modules[i].subId1);
        EXPECT_EQ(entry.subId2, chain.modules[i].subId2);
        EXPECT_EQ(entry.data, chain.contents[i]);
    }
    EXPECT_EQ(image.directoryOffset, Directory);
    EXPECT_EQ(image.moduleAreaEnd, Directory - 10);
    EXPECT_EQ(image.fileSize, FileSize);
    EXPECT_EQ(image.lastLinear, ChainEndLinear);
}

TEST(LoadImage, StoredByFlagOrByIdAndCompressedOtherwise) {
    const MixedChain chain;
    RomImage image;
    ASSERT_TRUE(loadImageBytes(image, chain.file).ok());
    EXPECT_TRUE(image.modules[0].compressed);
    EXPECT_EQ(image.modules[0].size, 20000u);
    EXPECT_FALSE(image.modules[1].compressed);  // flags 0x80
    EXPECT_EQ(image.modules[1].size, 100u);     // dataSize
    EXPECT_FALSE(image.modules[2].compressed);  // ID 0x40
    EXPECT_FALSE(image.modules[3].compressed);  // ID 0x60
    EXPECT_EQ(image.modules[3].size, 33u);
}

TEST(LoadImage, AModuleWithoutContentsHasNoDataAndTheMarkerSize) {
    const MixedChain chain;
    RomImage image;
    ASSERT_TRUE(loadImageBytes(image, chain.file).ok());
    EXPECT_TRUE(image.modules[4].compressed);
    EXPECT_EQ(image.modules[4].size, NoContents);
    EXPECT_TRUE(image.modules[4].data.empty());
}

TEST(LoadImage, ErasesEveryBlockReadAndKeepsEverythingElse) {
    const MixedChain chain;
    RomImage image;
    ASSERT_TRUE(loadImageBytes(image, chain.file).ok());

    std::vector<std::uint8_t> expected = chain.file;
    for (const TestModule& m : chain.modules)
        std::fill_n(expected.begin() + m.headerOffset - 8, m.dataArea.size() + 20, 0xFF);
    EXPECT_EQ(image.bytes, expected);
    // The directory and the 10 bytes below it are among what is kept.
    EXPECT_TRUE(std::equal(chain.file.begin() + Directory - 10, chain.file.begin() + Directory + 22,
                           image.bytes.begin() + Directory - 10));
}

TEST(LoadImage, FindModuleMatchesSubId2BeforeSubId1) {
    const MixedChain chain;
    RomImage image;
    ASSERT_TRUE(loadImageBytes(image, chain.file).ok());
    const ModuleEntry* found = findModule(image, 6, 2, 1);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found, &image.modules[5]);
    EXPECT_EQ(findModule(image, 6, 1, 2), nullptr);
    EXPECT_EQ(findModule(image, 6, 0, 0), &image.modules[0]);
}

TEST(LoadImage, AnEmptyChainLoadsWithAnEmptyList) {
    RomImage image;
    ASSERT_TRUE(loadImageBytes(image, TestImageWriter(FileSize, Directory).build()).ok());
    EXPECT_TRUE(image.loaded);
    EXPECT_TRUE(image.modules.empty());
    EXPECT_EQ(findModule(image, 6, 0, 0), nullptr);
}

TEST(LoadImage, TheLowerOfTwoDirectoriesGivesTheChain) {
    std::vector<std::uint8_t> file =
        TestImageWriter(FileSize, Directory)
            .addModule({.headerOffset = 0x7F008, .moduleId = 7, .flags = 0x80, .dataArea = {1, 2, 3, 4}})
            .build();
    std::copy_n("AMIBIOSC", 8, file.begin() + 0x7FE00);
    test::putLe32(file, 0x7FE00 + 18, test::ChainEndLink);
    RomImage image;
    ASSERT_TRUE(loadImageBytes(image, file).ok());
    EXPECT_EQ(image.directoryOffset, 0x7FE00u);
    EXPECT_TRUE(image.modules.empty());
}

TEST(LoadImage, AFileWithoutDirectoryStaysLoadedWithAnEmptyList) {
    std::vector<std::uint8_t> file(100, 0);
    std::copy_n("AMIBIOSC", 8, file.begin() + 78);  // within the last 22 bytes: not searched
    RomImage image;
    const ImageResult result = loadImageBytes(image, file);
    EXPECT_EQ(result.outcome, Outcome::NoDirectory);
    EXPECT_FALSE(result.message.empty());
    EXPECT_TRUE(image.loaded);
    EXPECT_TRUE(image.modules.empty());

    const ImageResult shortFile = loadImageBytes(image, std::vector<std::uint8_t>(22, 0));
    EXPECT_EQ(shortFile.outcome, Outcome::NoDirectory);
}

TEST(LoadImage, ReadsAFileAndReportsOneThatCantBeOpened) {
    const MixedChain chain;
    test::TempDir dir;
    const auto path = dir.path() / "bios.rom";
    ASSERT_TRUE(test::writeFile(path, chain.file));
    RomImage image;
    ASSERT_TRUE(loadImage(image, path.string()).ok());
    EXPECT_EQ(image.modules.size(), chain.modules.size());

    const ImageResult missing = loadImage(image, (dir.path() / "missing.rom").string());
    EXPECT_EQ(missing.outcome, Outcome::CantOpen);
    EXPECT_EQ(missing.message, "Cant open the file...");
    EXPECT_FALSE(image.loaded);
    EXPECT_TRUE(image.modules.empty());
    EXPECT_EQ(loadImage(image, dir.path().string()).outcome, Outcome::CantOpen);  // a folder, not a file
}

TEST(LoadImage, NamesTheFileThatHoldsNoDirectory) {
    test::TempDir dir;
    const auto path = dir.path() / "plain.bin";
    ASSERT_TRUE(test::writeFile(path, std::vector<std::uint8_t>(4096, 0)));
    RomImage image;
    const ImageResult result = loadImage(image, path.string());
    EXPECT_EQ(result.outcome, Outcome::NoDirectory);
    EXPECT_EQ(result.message, "No AMIBIOSC module directory in " + path.string());
}

}  // namespace
}  // namespace quarnel::image
