// A rebuild that can't produce a sound image writes nothing, and a written
// image replaces its target whole, even when the target is the input.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>

#include "image/image_fixtures.h"
#include "image/rom_image.h"
#include "platform/image_files.h"
#include "support/test_files.h"

namespace quarnel::image {
namespace {

using test::FixtureDirectory;
using test::FixtureFileSize;
using test::MixedChain;


class RebuildWrite : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(test::writeFile(output, oldOutput)); }

    test::TempDir dir;
    std::filesystem::path output = dir.path() / "new.rom";
    const std::vector<std::uint8_t> oldOutput = std::vector<std::uint8_t>(64, 0x42);
    MixedChain chain{2, test::ChainLayout::AsRebuilt};
};

std::vector<std::uint8_t> noise(std::size_t length) {
    std::vector<std::uint8_t> bytes(length);
    std::mt19937 random(7);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
}

// Each failure names what is wrong, leaves the existing output as it was and
// leaves no stray file. Zeros of more than 16 MiB pack small enough to fit,
// but no load would unpack them again; a second rebuild from the same list
// would place blocks sized for the first.
TEST_F(RebuildWrite, AnImageThatCantBeSoundWritesNothing) {
    const struct {
        const char* name;
        std::function<void(RomImage&, std::string&)> change;
        Outcome outcome;
        const char* message;
    } cases[] = {
        {"modules that don't fit",
         [](RomImage& im, std::string&) { replaceModule(im, 0x70, 0, 0, 0x80, std::vector<std::uint8_t>(0x7F000, 0)); },
         Outcome::BadData, "don't fit"},
        // Bytes that are not the chain's are never cleared to make room.
        {"a byte that is not the chain's right below it",
         [](RomImage& im, std::string&) {
             std::vector<std::uint8_t> file = im.asRead;
             file[im.chainStart - 1] = 0x12;
             loadImageBytes(im, file);
             replaceModule(im, 0x70, 0, 0, 0x80, std::vector<std::uint8_t>(64, 0));
         },
         Outcome::BadData, "don't fit"},
        {"a chain laid out otherwise", [](RomImage& im, std::string&) { loadImageBytes(im, MixedChain().file); },
         Outcome::BadData, "not laid out as a rebuild lays it"},
        {"contents the encoder can't shrink",
         [](RomImage& im, std::string&) { replaceModule(im, 6, 0, 0, 0x00, noise(20000)); }, Outcome::BadData,
         "Module 0"},
        {"contents too large to load back",
         [](RomImage& im, std::string&) { replaceModule(im, 6, 0, 0, 0, std::vector<std::uint8_t>((16u << 20) + 1, 0)); },
         Outcome::BadData, "16 MiB"},
        {"directory stretch reaching before the file",
         [](RomImage& im, std::string&) { test::putLe16(im.bytes, FixtureDirectory + 12, 0xFFFF); }, Outcome::BadData,
         "directory checksum"},
        {"second rebuild from the same list",
         [this](RomImage& im, std::string&) { ASSERT_TRUE(platform::rebuildImage(im, (dir.path() / "first.rom").string()).ok()); },
         Outcome::BadData, "load the image again"},
        {"nothing loaded", [](RomImage& im, std::string&) { im = {}; }, Outcome::NotLoaded, "No image"},
        {"no directory",
         [](RomImage& im, std::string&) { loadImageBytes(im, std::vector<std::uint8_t>(4096, 0)); },
         Outcome::NotLoaded, "No image"},
        {"an output that can't be created",
         [this](RomImage&, std::string& out) { out = (dir.path() / "missing" / "new.rom").string(); },
         Outcome::CantOpen, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RomImage image;
        ASSERT_TRUE(loadImageBytes(image, chain.file).ok());
        std::string out = output.string();
        c.change(image, out);
        const Result result = platform::rebuildImage(image, out);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_NE(result.message.find(c.message), std::string::npos) << result.message;
        EXPECT_EQ(test::readFile(output), oldOutput);
        std::filesystem::remove(dir.path() / "first.rom");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    }
}

TEST_F(RebuildWrite, TheInputCanBeItsOwnOutput) {
    const auto rom = dir.path() / "bios.rom";
    ASSERT_TRUE(test::writeFile(rom, chain.file));
    RomImage fromFile;
    ASSERT_TRUE(platform::loadImage(fromFile, rom.string()).ok());
    ASSERT_TRUE(platform::rebuildImage(fromFile, rom.string()).ok());

    const std::vector<std::uint8_t> written = test::readFile(rom);
    EXPECT_EQ(written.size(), FixtureFileSize);
    RomImage again;
    ASSERT_TRUE(platform::loadImage(again, rom.string()).ok());
    ASSERT_EQ(again.modules.size(), chain.contents.size());
    for (std::size_t i = 0; i < chain.contents.size(); ++i) EXPECT_EQ(again.modules[i].data, chain.contents[i]);
}

}  // namespace
}  // namespace quarnel::image
