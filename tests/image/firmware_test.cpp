// Real BIOS dumps of every directory generation (support/firmware_images.h).
// Every image in the folder is checked by the same rules: nothing here
// knows the files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <random>

#include "image/chain_layout.h"
#include "image/image_fixtures.h"
#include "image/module_areas.h"
#include "image/module_chain.h"
#include "image/module_placement.h"
#include "image/rom_image.h"
#include "image/verify_image.h"
#include "lzh/lzh.h"
#include "support/firmware_images.h"
#include "support/test_files.h"

namespace quarnel::image {
namespace {

using test::claimsDirectory;
using test::Firmware;
using test::rebuiltInMemory;

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

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
        if (!fs::is_directory(test::firmwareFolder()))
            GTEST_SKIP() << "no real firmware: " << test::firmwareFolder() << " is absent (set QUARNEL_FIRMWARE_DIR)";
        images = test::firmwareImages();
        if (images.empty()) GTEST_SKIP() << "no real firmware in " << test::firmwareFolder();
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

        // A stale directory checksum is a note in 0800 directories only.
        const VerifyReport report = verifyImage(image.bytes);
        EXPECT_TRUE(report.result.ok() && report.faults.empty())
            << (report.faults.empty() ? report.result.message : report.faults.front());
        EXPECT_EQ(report.notes.empty(), report.directoryChecksumHolds);
        EXPECT_EQ(rom.directoryChecksumHeld, report.directoryChecksumHolds);

        // A chain laid out as the rebuild lays it comes back whole; any other
        // is refused untouched, as a relayout would move what its builder placed.
        Result rebuilt;
        const Bytes afterLoad = rom.bytes;
        const Bytes file = rebuiltInMemory(rom, &rebuilt);
        if (laidOutAsRebuilt(chain)) {
            EXPECT_TRUE(rebuilt.ok()) << rebuilt.message;
            EXPECT_TRUE(file == image.bytes) << "the unchanged rebuild differs from the dump";
        } else {
            EXPECT_NE(rebuilt.message.find("not laid out as a rebuild lays it"), std::string::npos) << rebuilt.message;
            EXPECT_TRUE(file == afterLoad) << "the refused rebuild changed the image";
        }
        // Any module put back unchanged in place leaves the file as it was.
        for (std::size_t i = 0; i < rom.modules.size(); ++i) {
            Bytes out;
            Placement placement = Placement::InPlace;
            ASSERT_TRUE(placeModule(rom, i, rom.modules[i], ModuleArea{}, out, &placement).ok() || rom.modules[i].compressed);
            if (!rom.modules[i].compressed) {
                EXPECT_EQ(placement, Placement::Unchanged) << "module " << i;
            }
        }
    }
}

// The encoder gives each vendor-compressed module back byte for byte (the
// 0800 fill behind the stream is not the stream's) when it starts each
// module from the text buffer the compressed modules before it in list
// order left, as the vendors' builders do. A module inserted into a built
// chain later was encoded without it: the modules after it come back once
// the buffer is carried past all modules but that one.
bool reencodesTo(std::span<const std::uint8_t> dump, const ModuleList& modules, std::size_t index,
                 const lzh::TextBuffer& carried) {
    ModuleArea area;
    EXPECT_TRUE(prepareModuleArea(index, modules[index], area, 0, &carried).ok());
    return dump.size() >= area.encoded.size() && std::equal(area.encoded.begin(), area.encoded.end(), dump.begin());
}

std::optional<std::size_t> insertedLater(std::span<const std::uint8_t> dump, const ModuleList& modules,
                                         std::size_t index) {
    for (std::size_t left = 0; left < index; ++left) {
        ModuleList without(modules.begin(), modules.begin() + static_cast<std::ptrdiff_t>(index) + 1);
        without.erase(without.begin() + static_cast<std::ptrdiff_t>(left));
        if (modules[left].compressed && reencodesTo(dump, modules, index, textCarriedTo(without, index - 1)))
            return left;
    }
    return std::nullopt;
}

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
            ++compressed;
            const auto dump = std::span(image.bytes).subspan(block.dataOffset(), block.dataSize);
            if (reencodesTo(dump, rom.modules, i, textCarriedTo(rom.modules, i))) {
                ++identical;
            } else if (const auto left = insertedLater(dump, rom.modules, i)) {
                std::cout << image.name << ": " << moduleName(block) << " re-encodes to its bytes once module " << *left
                          << ", inserted later, is left out of the carried buffer\n";
            } else {
                ADD_FAILURE() << image.name << ": " << moduleName(block) << " re-encodes differently";
            }
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

// A module that packs no larger goes back where it lay: no other byte of
// the file changes but the directory checksum, when it held.
TEST_F(FirmwareImages, AChangedModuleGoesBackInPlaceAndNothingElseChanges) {
    for (const Firmware& image : images) {
        if (!claimsDirectory(image.bytes)) continue;
        SCOPED_TRACE(image.name);
        RomImage rom;
        ASSERT_TRUE(loadImageBytes(rom, image.bytes).ok());
        const std::size_t target = largestCompressed(rom);
        ASSERT_LT(target, rom.modules.size());
        const ModuleList before = rom.modules;
        const ModuleEntry& old = before[target];
        Bytes changed = old.data;
        std::fill_n(changed.begin() + changed.size() / 4, changed.size() / 4, 0);
        ASSERT_TRUE(replaceModule(rom, old.moduleId, old.subId2, old.subId1, old.flags, changed).ok());
        Bytes file;
        Placement placement = Placement::Unchanged;
        ASSERT_TRUE(writeModuleInPlace(rom, target, file, 0, &placement).ok());
        EXPECT_EQ(placement, changed == old.data ? Placement::Unchanged : Placement::InPlace);

        const VerifyReport report = verifyImage(file);
        EXPECT_TRUE(report.result.ok() && report.faults.empty())
            << (report.faults.empty() ? report.result.message : report.faults.front());
        EXPECT_EQ(report.directoryChecksumHolds, rom.directoryChecksumHeld);
        RomImage again;
        ASSERT_TRUE(loadImageBytes(again, file).ok());
        ASSERT_EQ(again.modules.size(), before.size());
        for (std::size_t i = 0; i < before.size(); ++i)
            EXPECT_EQ(again.modules[i].data, i == target ? changed : before[i].data) << "module " << i;
        const ModuleBlock block = describeModuleChain(image.bytes).blocks[target];
        const std::uint32_t checksum = rom.directoryOffset + 14;
        for (std::uint32_t at = 0; at < file.size(); ++at)
            if (file[at] != image.bytes[at] && (at < block.blockStart() || at >= block.blockEnd()) &&
                (at < checksum || at >= checksum + 4))
                ADD_FAILURE() << "byte 0x" << std::hex << at << " changed outside the module's block";
    }
}

TEST_F(FirmwareImages, AReplacementTooLargeForAnyRoomIsRefusedSayingWhatIsMissing) {
    for (const Firmware& image : images) {
        if (!claimsDirectory(image.bytes)) continue;
        SCOPED_TRACE(image.name);
        RomImage rom;
        ASSERT_TRUE(loadImageBytes(rom, image.bytes).ok());
        const std::size_t target = largestCompressed(rom);
        const ModuleEntry& old = rom.modules[target];
        ASSERT_TRUE(replaceModule(rom, old.moduleId, old.subId2, old.subId1, old.flags, lowEntropy(rom.bytes.size() * 3 / 2)).ok());
        Bytes out;
        const Result result = writeModuleInPlace(rom, target, out);
        EXPECT_EQ(result.outcome, Outcome::BadData);
        const bool namesTheShortfall = result.message.find("bytes are missing") != std::string::npos ||
                                       result.message.find("at most 65535") != std::string::npos;
        EXPECT_TRUE(namesTheShortfall) << result.message;
        EXPECT_TRUE(out.empty()) << "the refused edit gave an image";
    }
}

}  // namespace
}  // namespace quarnel::image
