// Real BIOS dumps of every directory generation, read from the folder named
// by the CMake cache variable QUARNEL_FIRMWARE_DIR. They are third-party
// firmware and never part of the repository, so the tests skip, saying so,
// when the folder is absent. Every image in it is checked by the same rules:
// nothing here knows the files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "image/image_fixtures.h"
#include "image/module_areas.h"
#include "image/module_chain.h"
#include "image/rom_image.h"
#include "image/verify_image.h"
#include "lzh/lzh.h"
#include "support/test_files.h"

namespace quarnel::image {
namespace {

using test::rebuiltInMemory;

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

struct Firmware {
    std::string name;
    Bytes bytes;
};

std::vector<Firmware> firmwareImages() {
    std::vector<Firmware> images;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(QUARNEL_FIRMWARE_DIR, error))
        if (entry.is_regular_file() && entry.path().extension() != ".md")
            images.push_back({entry.path().filename().string(), test::readFile(entry.path())});
    std::sort(images.begin(), images.end(), [](const Firmware& a, const Firmware& b) { return a.name < b.name; });
    return images;
}

// A directory names its version in four digits; a signature followed by
// anything else (a date, say) is a string inside the code, not a directory.
bool claimsDirectory(const Bytes& bytes) {
    const auto at = findDirectory(bytes);
    return at && std::all_of(bytes.begin() + *at + 8, bytes.begin() + *at + 12, [](std::uint8_t c) {
               return c >= '0' && c <= '9';
           });
}

// Contents of `length` bytes in 16 symbols: they pack to about half.
Bytes lowEntropy(std::size_t length) {
    std::mt19937 random(7);
    Bytes bytes(length);
    for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>('a' + random() % 16);
    return bytes;
}

class FirmwareImages : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::is_directory(QUARNEL_FIRMWARE_DIR))
            GTEST_SKIP() << "no real firmware: " << QUARNEL_FIRMWARE_DIR << " is absent (set QUARNEL_FIRMWARE_DIR)";
        images = firmwareImages();
        if (images.empty()) GTEST_SKIP() << "no real firmware in " << QUARNEL_FIRMWARE_DIR;
    }
    std::vector<Firmware> images;
};

TEST_F(FirmwareImages, EachChainIsReadWholeVerifiesAndRebuildsToTheSameBytes) {
    for (const Firmware& image : images) {
        SCOPED_TRACE(image.name);
        RomImage rom;
        const Result loaded = loadImageBytes(rom, image.bytes);
        if (!claimsDirectory(image.bytes)) {
            EXPECT_FALSE(loaded.ok());
            EXPECT_FALSE(loaded.message.empty());
            EXPECT_TRUE(rom.modules.empty());
            continue;
        }
        ASSERT_TRUE(loaded.ok()) << loaded.message;
        const ModuleChain chain = describeModuleChain(image.bytes);
        ASSERT_TRUE(chain.result.ok()) << chain.result.message;
        EXPECT_FALSE(chain.blocks.empty());
        EXPECT_EQ(rom.modules.size(), chain.blocks.size());
        EXPECT_EQ(rom.directoryVersion, chain.directoryVersion);

        const VerifyReport report = verifyImage(image.bytes);
        EXPECT_TRUE(report.result.ok() && report.faults.empty())
            << (report.faults.empty() ? report.result.message : report.faults.front());
        EXPECT_TRUE(rebuiltInMemory(rom) == image.bytes) << "the unchanged rebuild differs from the dump";
    }
}

// The encoder gives each vendor-compressed module back byte for byte (the
// 0800 fill behind the stream is not the stream's).
TEST_F(FirmwareImages, EveryCompressedModuleReencodesToItsDumpBytes) {
    for (const Firmware& image : images) {
        if (!claimsDirectory(image.bytes)) continue;
        RomImage rom;
        ASSERT_TRUE(loadImageBytes(rom, image.bytes).ok()) << image.name;
        const ModuleChain chain = describeModuleChain(image.bytes);
        std::size_t compressed = 0, identical = 0;
        for (std::size_t i = 0; i < chain.blocks.size(); ++i) {
            const ModuleBlock& block = chain.blocks[i];
            if (!block.compressed || block.size == NoContents) continue;
            ModuleArea area;
            ASSERT_TRUE(prepareModuleArea(i, rom.modules[i], area).ok());
            const auto dump = std::span(image.bytes).subspan(block.dataOffset(), area.encoded.size());
            ++compressed;
            if (std::equal(dump.begin(), dump.end(), area.encoded.begin())) ++identical;
            else ADD_FAILURE() << image.name << ": " << moduleName(block) << " re-encodes differently";
        }
        std::cout << image.name << " (" << chain.directoryVersion << "): " << chain.blocks.size() << " modules, "
                  << identical << " of " << compressed << " compressed modules re-encode identically\n";
    }
}

// The module to change: the largest compressed one.
std::size_t largestCompressed(const RomImage& rom) {
    std::size_t best = rom.modules.size();
    for (std::size_t i = 0; i < rom.modules.size(); ++i)
        if (rom.modules[i].compressed && rom.modules[i].size != NoContents &&
            (best == rom.modules.size() || rom.modules[i].data.size() > rom.modules[best].data.size()))
            best = i;
    return best;
}

TEST_F(FirmwareImages, AChangedModuleIsPlacedWithinTheChainsRoomAndNothingElseMoves) {
    for (const Firmware& image : images) {
        if (!claimsDirectory(image.bytes)) continue;
        SCOPED_TRACE(image.name);
        RomImage rom;
        ASSERT_TRUE(loadImageBytes(rom, image.bytes).ok());
        const std::size_t target = largestCompressed(rom);
        ASSERT_LT(target, rom.modules.size());
        const ModuleList before = rom.modules;
        const ModuleEntry& old = before[target];
        // A quarter of the module zeroed: new contents that pack no larger.
        Bytes changed = old.data;
        std::fill_n(changed.begin() + changed.size() / 4, changed.size() / 4, 0);
        ASSERT_TRUE(replaceModule(rom, old.moduleId, old.subId2, old.subId1, old.flags, changed).ok());
        const std::uint32_t oldLowest = rom.chainStart, directory = rom.directoryOffset;
        const Bytes file = rebuiltInMemory(rom);

        const VerifyReport report = verifyImage(file);
        EXPECT_TRUE(report.result.ok() && report.faults.empty())
            << (report.faults.empty() ? report.result.message : report.faults.front());
        RomImage again;
        ASSERT_TRUE(loadImageBytes(again, file).ok());
        ASSERT_EQ(again.modules.size(), before.size());
        for (std::size_t i = 0; i < before.size(); ++i)
            EXPECT_EQ(again.modules[i].data, i == target ? changed : before[i].data) << "module " << i;
        const std::uint32_t lowest = std::min(oldLowest, again.chainStart);
        EXPECT_TRUE(std::equal(file.begin(), file.begin() + lowest, image.bytes.begin())) << "below the chain";
        EXPECT_TRUE(std::equal(file.begin() + directory + 22, file.end(), image.bytes.begin() + directory + 22))
            << "above the directory header";
    }
}

TEST_F(FirmwareImages, AReplacementTooLargeForTheChainsRoomIsRefusedAndNothingWritten) {
    for (const Firmware& image : images) {
        if (!claimsDirectory(image.bytes)) continue;
        SCOPED_TRACE(image.name);
        RomImage rom;
        ASSERT_TRUE(loadImageBytes(rom, image.bytes).ok());
        const ModuleEntry& old = rom.modules[largestCompressed(rom)];
        const Bytes large = lowEntropy(2 * (rom.moduleAreaEnd() - rom.freeStart) + 4096);
        ASSERT_TRUE(replaceModule(rom, old.moduleId, old.subId2, old.subId1, old.flags, large).ok());
        const Bytes loadedBytes = rom.bytes;
        test::TempDir dir;
        const fs::path out = dir.path() / "new.rom";
        const Result result = rebuildImage(rom, out.string());
        EXPECT_EQ(result.outcome, Outcome::BadData);
        const bool namesTheShortfall = result.message.find("more than there are") != std::string::npos ||
                                       result.message.find("at most 65535") != std::string::npos;
        EXPECT_TRUE(namesTheShortfall) << result.message;
        EXPECT_FALSE(fs::exists(out));
        EXPECT_TRUE(rom.bytes == loadedBytes) << "the refused rebuild changed the image";
    }
}

}  // namespace
}  // namespace quarnel::image
