#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "image/image_fixtures.h"
#include "image/image_layout.h"
#include "image/rom_image.h"
#include "lzh/lzh.h"
#include "platform/image_files.h"
#include "support/firmware_images.h"
#include "support/test_files.h"

namespace quarnel::image {
namespace {

using test::FixtureDirectory;
using test::FixtureFileSize;
using test::TestImageWriter;


class LoadImage : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(loadImageBytes(image, chain.file).ok()); }
    const test::MixedChain chain;
    RomImage image;
};

// Stored by flag 0x80 (module 1) or by ID 0x40 and 0x60 (modules 2 and 3),
// compressed otherwise; module 4 has no contents.
TEST_F(LoadImage, ReadsEveryModuleInChainOrderWithItsPlainContents) {
    ASSERT_EQ(image.modules.size(), chain.modules.size());
    const bool compressed[] = {true, false, false, false, true, true};
    for (std::size_t i = 0; i < chain.modules.size(); ++i) {
        SCOPED_TRACE(i);
        const ModuleEntry& entry = image.modules[i];
        EXPECT_EQ(entry.moduleId, chain.modules[i].moduleId);
        EXPECT_EQ(entry.flags, chain.modules[i].flags);
        EXPECT_EQ(entry.subId1, chain.modules[i].subId1);
        EXPECT_EQ(entry.subId2, chain.modules[i].subId2);
        EXPECT_EQ(entry.data, chain.contents[i]);
        EXPECT_EQ(entry.compressed, compressed[i]);
        EXPECT_EQ(entry.size, i == 4 ? NoContents : chain.contents[i].size());
    }
    EXPECT_EQ(image.directoryOffset, FixtureDirectory);
    EXPECT_EQ(image.moduleAreaEnd(), FixtureDirectory - 10);
    EXPECT_EQ(image.fileSize(), FixtureFileSize);
}

TEST_F(LoadImage, ErasesEveryBlockReadAndKeepsEverythingElse) {
    std::vector<std::uint8_t> expected = chain.file;
    for (const test::TestModule& m : chain.modules)
        std::fill_n(expected.begin() + m.headerOffset - 8, m.dataArea.size() + 20, 0xFF);
    EXPECT_EQ(image.bytes, expected);
}

TEST_F(LoadImage, FindModuleMatchesSubId2BeforeSubId1) {
    EXPECT_EQ(findModule(image, 6, 2, 1), &image.modules[5]);
    EXPECT_EQ(findModule(image, 6, 1, 2), nullptr);
    EXPECT_EQ(findModule(image, 6, 0, 0), &image.modules[0]);
}

TEST(LoadImageFile, AnEmptyChainLoadsWithAnEmptyList) {
    RomImage image;
    ASSERT_TRUE(loadImageBytes(image, TestImageWriter(FixtureFileSize, FixtureDirectory).build()).ok());
    EXPECT_TRUE(image.loaded);
    EXPECT_TRUE(image.modules.empty());
    EXPECT_EQ(findModule(image, 6, 0, 0), nullptr);
}

TEST(LoadImageFile, ReportsAFileThatCantBeOpenedOrHoldsNoDirectory) {
    test::TempDir dir;
    const auto rom = dir.path() / "bios.rom", plain = dir.path() / "plain.bin";
    ASSERT_TRUE(test::writeFile(rom, test::MixedChain().file));
    ASSERT_TRUE(test::writeFile(plain, std::vector<std::uint8_t>(4096, 0)));
    RomImage image;
    ASSERT_TRUE(platform::loadImage(image, rom.string()).ok());
    EXPECT_EQ(image.modules.size(), 6u);

    const Result missing = platform::loadImage(image, (dir.path() / "missing.rom").string());
    EXPECT_EQ(missing.outcome, Outcome::CantOpen);
    EXPECT_EQ(missing.message, "Can't open " + (dir.path() / "missing.rom").string() + ": No such file or directory");
    EXPECT_FALSE(image.loaded);
    EXPECT_TRUE(image.modules.empty());
    const Result folder = platform::loadImage(image, dir.path().string());
    EXPECT_EQ(folder.outcome, Outcome::CantOpen);
    EXPECT_EQ(folder.message, "Can't open " + dir.path().string() + ": it is a directory, not a regular file");

    // Without a directory the file stays loaded, with an empty list.
    const Result noDirectory = platform::loadImage(image, plain.string());
    EXPECT_EQ(noDirectory.outcome, Outcome::NoDirectory);
    EXPECT_EQ(noDirectory.message, "No AMIBIOSC module directory in " + plain.string());
    EXPECT_TRUE(image.loaded);
    EXPECT_TRUE(image.modules.empty());
}

// A compressed area whose packedSize runs 8 bytes past its block, into the
// block of the chain's first module: by then that block is erased, so the
// stream ends in 0xFF bytes. A chain large enough to be read on several
// threads must read it so too.
TEST(LoadImageFile, AnAreaRunningIntoAnEarlierBlockReadsItErasedHoweverLargeTheChain) {
    constexpr std::uint32_t Past = 8, Header = 0x70000;
    const std::vector<std::uint8_t> contents = test::seabiosCode(4096);
    std::vector<std::uint8_t> area = test::compressedArea(contents);
    const auto length = static_cast<std::uint32_t>(area.size());
    area.resize(length - Past);
    // What the stream gives when it ends in erased bytes: nothing, or this.
    std::vector<std::uint8_t> erasedEnd = area, erased(contents.size());
    erasedEnd.resize(length, 0xFF);
    if (!lzh::LzhDecode(erasedEnd, erased).ok()) erased.clear();

    for (const std::uint32_t large : {0u, 300u << 10}) {
        SCOPED_TRACE(large);
        TestImageWriter writer(FixtureFileSize, FixtureDirectory);
        writer.addModule({.headerOffset = Header + length + HeaderSize, .moduleId = 0x30, .flags = 0x80,
                          .dataArea = std::vector<std::uint8_t>(64, 0x5A)});
        writer.addModule({.headerOffset = Header, .moduleId = 0x31, .dataArea = area});
        if (large) writer.addModule({.headerOffset = 0x10008, .moduleId = 0x32, .flags = 0x80,
                                     .dataArea = std::vector<std::uint8_t>(large, 0x33)});
        const std::vector<std::uint8_t> file = writer.build();
        // The stream's last bytes as the file holds them: the first block's prefix.
        std::vector<std::uint8_t> asFiled = area;
        asFiled.insert(asFiled.end(), file.begin() + Header + HeaderSize + length - Past,
                       file.begin() + Header + HeaderSize + length);
        std::vector<std::uint8_t> unerased(contents.size());
        const bool unerasedDecodes = lzh::LzhDecode(asFiled, unerased).ok();
        ASSERT_TRUE(!unerasedDecodes || unerased != erased) << "the block's bytes must make a difference";

        for (const LoadFor purpose : {LoadFor::Rebuild, LoadFor::EditInPlace}) {
            RomImage image;
            const Result loaded = loadImageBytes(image, file, purpose);
            ASSERT_EQ(loaded.ok(), !erased.empty()) << loaded.message;
            if (loaded.ok()) {
                EXPECT_EQ(image.modules[1].data, erased);
            }
        }
    }
}

// A load for an edit in place gives the same list and the same file as
// read, without the erased copy only a rebuild reads; a rebuild from it is
// refused.
TEST(LoadImageFile, ALoadForAnEditInPlaceKeepsTheListAndTheFileAsRead) {
    std::vector<std::vector<std::uint8_t>> files = {test::MixedChain().file};
    for (const test::Firmware& image : test::firmwareImages())
        if (test::claimsDirectory(image.bytes)) files.push_back(image.bytes);
    for (const std::vector<std::uint8_t>& file : files) {
        RomImage whole, forEdit;
        ASSERT_TRUE(loadImageBytes(whole, file).ok());
        ASSERT_TRUE(loadImageBytes(forEdit, file, LoadFor::EditInPlace).ok());
        EXPECT_EQ(forEdit.asRead, file);
        ASSERT_EQ(forEdit.modules.size(), whole.modules.size());
        for (std::size_t i = 0; i < whole.modules.size(); ++i) {
            const ModuleEntry &a = whole.modules[i], &b = forEdit.modules[i];
            EXPECT_TRUE(std::tie(a.size, a.moduleId, a.flags, a.subId1, a.subId2, a.data, a.compressed) ==
                        std::tie(b.size, b.moduleId, b.flags, b.subId1, b.subId2, b.data, b.compressed))
                << "module " << i;
        }
        // A chain whose streams run past their blocks is loaded as for a rebuild.
        if (!forEdit.bytes.empty()) {
            EXPECT_EQ(forEdit.bytes, whole.bytes);
            continue;
        }
        const Result rebuilt = rebuildImageInPlace(forEdit, 1);
        EXPECT_EQ(rebuilt.outcome, Outcome::NotLoaded);
        EXPECT_NE(rebuilt.message.find("load it again"), std::string::npos) << rebuilt.message;
    }
}

}  // namespace
}  // namespace quarnel::image
