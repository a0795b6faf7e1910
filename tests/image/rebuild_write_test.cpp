// A rebuild that can't produce a sound image writes nothing, and a written
// image replaces its target whole, even when the target is the input.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "image/image_fixtures.h"
#include "image/rom_image.h"
#include "support/test_files.h"

namespace quarnel::image {
namespace {

using test::MixedChain;
using test::TestImageWriter;

constexpr std::uint32_t FileSize = test::FixtureFileSize;
constexpr std::uint32_t Directory = test::FixtureDirectory;

class RebuildWrite : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(loadImageBytes(image, chain.file).ok());
        ASSERT_TRUE(test::writeFile(output, oldOutput));
    }

    // The failed rebuild left the existing output as it was and no stray file.
    void expectOutputUntouched() {
        EXPECT_EQ(test::readFile(output), oldOutput);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    }

    test::TempDir dir;
    std::filesystem::path output = dir.path() / "new.rom";
    const std::vector<std::uint8_t> oldOutput = std::vector<std::uint8_t>(64, 0x42);
    MixedChain chain;
    RomImage image;
};

TEST_F(RebuildWrite, ModulesThatDontFitFailAndWriteNothing) {
    std::vector<std::uint8_t> big(0x7F000, 0);
    ASSERT_TRUE(replaceModule(image, 0x70, 0, 0, 0x80, big).ok());
    const ImageResult result = rebuildImage(image, output.string());
    EXPECT_EQ(result.outcome, Outcome::BadData);
    EXPECT_NE(result.message.find("don't fit"), std::string::npos) << result.message;
    expectOutputUntouched();
}

TEST_F(RebuildWrite, ContentsTheEncoderCantShrinkFailInsteadOfBeingCut) {
    std::vector<std::uint8_t> noise(20000);
    std::mt19937 random(7);
    for (auto& byte : noise) byte = static_cast<std::uint8_t>(random());
    ASSERT_TRUE(replaceModule(image, 6, 0, 0, 0x00, noise).ok());
    const ImageResult result = rebuildImage(image, output.string());
    if (result.ok()) {
        // An encoder that does pack noise must give it back whole.
        RomImage again;
        ASSERT_TRUE(loadImage(again, output.string()).ok());
        EXPECT_EQ(findModule(again, 6, 0, 0)->data, noise);
        return;
    }
    EXPECT_EQ(result.outcome, Outcome::BadData);
    EXPECT_NE(result.message.find("Module 0"), std::string::npos) << result.message;
    expectOutputUntouched();
}

TEST_F(RebuildWrite, ContentsTooLargeToLoadBackAreRefused) {
    // Zeros pack small enough to fit, but no load would unpack them again.
    ASSERT_TRUE(replaceModule(image, 6, 0, 0, 0x00, std::vector<std::uint8_t>((16u << 20) + 1, 0)).ok());
    const ImageResult result = rebuildImage(image, output.string());
    EXPECT_EQ(result.outcome, Outcome::BadData);
    EXPECT_NE(result.message.find("16 MiB"), std::string::npos) << result.message;
    expectOutputUntouched();
}

TEST_F(RebuildWrite, ADirectoryStretchReachingBeforeTheFileFailsAndWritesNothing) {
    test::putLe16(image.bytes, Directory + 12, 0xFFFF);
    const ImageResult result = rebuildImage(image, output.string());
    EXPECT_EQ(result.outcome, Outcome::BadData);
    expectOutputUntouched();
}

TEST_F(RebuildWrite, ASecondRebuildFromTheSameListIsRefused) {
    ASSERT_TRUE(rebuildImage(image, (dir.path() / "first.rom").string()).ok());
    const ImageResult second = rebuildImage(image, output.string());
    EXPECT_EQ(second.outcome, Outcome::BadData);
    EXPECT_NE(second.message.find("load the image again"), std::string::npos) << second.message;
    EXPECT_EQ(test::readFile(output), oldOutput);
}

TEST_F(RebuildWrite, NothingIsRebuiltWithoutADirectory) {
    RomImage none;
    EXPECT_EQ(rebuildImage(none, output.string()).outcome, Outcome::NotLoaded);
    RomImage noDirectory;
    ASSERT_EQ(loadImageBytes(noDirectory, std::vector<std::uint8_t>(4096, 0)).outcome, Outcome::NoDirectory);
    EXPECT_EQ(rebuildImage(noDirectory, output.string()).outcome, Outcome::NotLoaded);
    expectOutputUntouched();
}

TEST_F(RebuildWrite, AnOutputThatCantBeCreatedIsReported) {
    const ImageResult result = rebuildImage(image, (dir.path() / "missing" / "new.rom").string());
    EXPECT_EQ(result.outcome, Outcome::CantOpen);
    expectOutputUntouched();
}

TEST_F(RebuildWrite, TheInputCanBeItsOwnOutput) {
    const auto rom = dir.path() / "bios.rom";
    ASSERT_TRUE(test::writeFile(rom, chain.file));
    RomImage fromFile;
    ASSERT_TRUE(loadImage(fromFile, rom.string()).ok());
    ASSERT_TRUE(rebuildImage(fromFile, rom.string()).ok());

    const std::vector<std::uint8_t> written = test::readFile(rom);
    EXPECT_EQ(written.size(), FileSize);
    RomImage again;
    ASSERT_TRUE(loadImage(again, rom.string()).ok());
    ASSERT_EQ(again.modules.size(), chain.contents.size());
    for (std::size_t i = 0; i < chain.contents.size(); ++i) EXPECT_EQ(again.modules[i].data, chain.contents[i]);
}

}  // namespace
}  // namespace quarnel::image
