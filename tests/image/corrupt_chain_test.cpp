// Corrupt chains fail cleanly: BadData naming the module and what is wrong,
// no read or write outside the file (the sanitizer build watches that), and
// no half-loaded image left behind.
#include <gtest/gtest.h>

#include <functional>

#include "image/image_fixtures.h"
#include "image/rom_image.h"
#include "image/test_image_writer.h"

namespace quarnel::image {
namespace {

using test::FixtureDirectory;
using test::FixtureFileSize;
using test::LinkForm;
using test::putLe32;
using test::putLink;

constexpr std::uint32_t Header0 = 0x7F008;  // compressed, ID 6
constexpr std::uint32_t Header1 = 0x40008;  // stored, 64 bytes
constexpr std::uint32_t Header2 = 0x50008;  // compressed, ID 0x12

std::vector<std::uint8_t> soundFile() {
    return test::TestImageWriter(FixtureFileSize, FixtureDirectory)
        .addModule({.headerOffset = Header0, .moduleId = 6, .dataArea = test::compressedArea(test::seabiosCode(3000))})
        .addModule({.headerOffset = Header1, .moduleId = 0x11, .flags = 0x80, .dataArea = test::seabiosCode(64, 9000)})
        .addModule({.headerOffset = Header2, .moduleId = 0x12,
                    .dataArea = test::compressedArea(test::seabiosCode(2000, 12000))})
        .build();
}

const std::uint32_t Area0 = Header0 + 12;

TEST(CorruptChain, FailsAsBadDataNamingTheModuleAndLeavesNothingLoaded) {
    const struct {
        const char* name;
        std::function<void(std::vector<std::uint8_t>&)> corrupt;
        std::vector<const char*> messageParts;
    } cases[] = {
        {"FirstLinkBelowTheFile", [](auto& f) { putLink(f, FixtureDirectory + 18, 4, LinkForm::Normalised); },
             {"Module 0", "points outside the file"}},
        {"LinkToTheLastBytes", [](auto& f) { putLink(f, Header0, FixtureFileSize - 6, LinkForm::Normalised); },
             {"Module 1", "points outside the file"}},
        {"LinkAboveTheTopOfTheFile", [](auto& f) { putLe32(f, Header0, 0xFFFFFFF0); },
             {"Module 1", "points outside the file"}},
        {"DataSizePastTheEnd", [](auto& f) { putLe32(f, Header1 - 8, 0x00FFFFFF); }, {"Module 1", "dataSize"}},
        {"DataSizeThatWrapsAround", [](auto& f) { putLe32(f, Header1 - 8, 0xFFFFFFF0); }, {"Module 1", "dataSize"}},
        {"ChainBackToTheFirstModule", [](auto& f) { putLink(f, Header2, Header0, LinkForm::Shifted); },
             {"Module 3", "comes back to module 0"}},
        {"ChainBackToItself", [](auto& f) { putLink(f, Header2, Header2, LinkForm::Normalised); },
             {"Module 3", "comes back to module 2"}},
        {"BlocksThatOverlap", [](auto& f) { putLe32(f, Header1 - 8, 0x10000); },
             {"Module 2", "overlaps that of module 1"}},
        {"BlockOverTheDirectory", [](auto& f) { putLe32(f, Header1 - 8, 0x3FF00); }, {"Module 1", "directory"}},
        {"UnpackedSizeBeyondAnyModule", [](auto& f) { putLe32(f, Area0 + 4, 0x01000001); },
             {"Module 0", "unpackedSize", "16 MiB"}},
        {"PackedSizePastTheEnd", [](auto& f) { putLe32(f, Area0, 0x100000); }, {"Module 0", "packedSize"}},
        {"PackedSizeBelowItsOwnPrefix", [](auto& f) { putLe32(f, Area0, 7); }, {"Module 0", "packedSize"}},
        {"CompressedSizesPastTheEnd",
             [](auto& f) {
                 const std::uint32_t header = FixtureFileSize - 12;
                 putLink(f, Header2, header, LinkForm::Normalised);
                 putLe32(f, header - 8, 0);
                 f[header + 6] = 0x33;
                 f[header + 7] = 0x00;
             },
             {"Module 3", "compressed sizes"}},
        {"StreamTheDecoderRefuses", [](auto& f) { std::fill_n(f.begin() + Area0 + 8, 64, 0xFF); }, {"Module 0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> file = soundFile();
        c.corrupt(file);
        RomImage image;
        const Result result = loadImageBytes(image, file);
        EXPECT_EQ(result.outcome, Outcome::BadData);
        for (const char* part : c.messageParts) EXPECT_NE(result.message.find(part), std::string::npos) << result.message;
        EXPECT_FALSE(image.loaded);
        EXPECT_TRUE(image.modules.empty());
        EXPECT_TRUE(image.bytes.empty());
    }
}

TEST(CorruptImage, ModulesClaimingMoreThan64MiBInAllAreRefusedBeforeAnyIsUnpacked) {
    test::TestImageWriter writer(FixtureFileSize, FixtureDirectory);
    for (std::uint32_t i = 0; i < 5; ++i)
        writer.addModule({.headerOffset = 0x10008 + i * 0x100, .moduleId = static_cast<std::uint8_t>(i),
                          .dataArea = {8, 0, 0, 0, 0, 0, 0, 1}});  // unpacks to 16 MiB
    RomImage image;
    const Result result = loadImageBytes(image, writer.build());
    EXPECT_EQ(result.outcome, Outcome::BadData);
    EXPECT_NE(result.message.find("Module 4"), std::string::npos) << result.message;
    EXPECT_NE(result.message.find("64 MiB"), std::string::npos) << result.message;
}

// Images reach 16 MiB; links address only their top 1 MiB, so a directory
// further down could not link its chain and is no directory.
TEST(CorruptImage, AFileLongerThanSixteenMegabytesIsRefused) {
    std::vector<std::uint8_t> file = test::TestImageWriter((16u << 20) + 1, (16u << 20) - 0x100).build();
    RomImage image;
    const Result result = loadImageBytes(image, file);
    EXPECT_EQ(result.outcome, Outcome::BadData);
    EXPECT_NE(result.message.find("16 MiB"), std::string::npos) << result.message;
    EXPECT_FALSE(image.loaded);
}

TEST(CorruptImage, OnlyTheTopMegabyteOfALargerFileIsSearchedForTheDirectory) {
    RomImage image;
    EXPECT_TRUE(loadImageBytes(image, test::TestImageWriter(0x200000, 0x1FFF00).build()).ok());
    EXPECT_EQ(loadImageBytes(image, test::TestImageWriter(0x200000, 0xFFF00).build()).outcome, Outcome::NoDirectory);
    // A chain link can't point below the top 1 MiB: the prefix of a header
    // at its very start would.
    const auto file = test::TestImageWriter(0x200000, 0x1FFF00)
                          .addModule({.headerOffset = 0x100004, .moduleId = 3, .flags = 0x80, .dataArea = {1, 2}})
                          .build();
    const Result result = loadImageBytes(image, file);
    EXPECT_EQ(result.outcome, Outcome::BadData);
    EXPECT_NE(result.message.find("top 1 MiB"), std::string::npos) << result.message;
}

TEST(CorruptImage, ADirectoryLessThanTenBytesInLeavesNoModuleAreaAndIsRefused) {
    RomImage image;
    EXPECT_EQ(loadImageBytes(image, test::TestImageWriter(0x1000, 9).build()).outcome, Outcome::BadData);
    // Ten bytes in, the module area is empty but exists.
    EXPECT_TRUE(loadImageBytes(image, test::TestImageWriter(0x1000, 10).build()).ok());
}

TEST(CorruptImage, ABlockAboveTheDirectoryIsNoFault) {
    const std::vector<std::uint8_t> file =
        test::TestImageWriter(FixtureFileSize, 0x40000)
            .addModule({.headerOffset = 0x70008, .moduleId = 3, .flags = 0x80, .dataArea = {1, 2, 3, 4, 5}})
            .build();
    RomImage image;
    ASSERT_TRUE(loadImageBytes(image, file).ok());
    ASSERT_EQ(image.modules.size(), 1u);
    EXPECT_EQ(image.modules[0].data, (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
}

}  // namespace
}  // namespace quarnel::image
