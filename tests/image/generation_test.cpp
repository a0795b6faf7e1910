// Each directory generation's block layout, on images laid out the way the
// vendor tools lay them out: contiguous chains below the directory, written
// independently of the container by the test image writer.
#include <gtest/gtest.h>

#include <algorithm>

#include "image/image_fixtures.h"
#include "image/module_areas.h"
#include "image/rom_image.h"
#include "image/test_image_writer.h"
#include "image/verify_image.h"

namespace quarnel::image {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::le16;
using test::le32;
using test::rebuiltInMemory;

constexpr std::uint32_t SmallFileSize = 0x20000;
constexpr std::uint32_t SmallDirectory = 0x1CFEA;

struct Plain {
    std::uint8_t moduleId;
    std::uint8_t flags;
    Bytes contents;
};

// A chain in list order from the directory down, with no gaps: 06xx blocks
// end at the signature and have no prefix, the others end 10 bytes below it.
// Below the chain the bytes are 0xFF for `room` bytes, then other data.
struct Laid {
    Bytes file;
    std::uint32_t lowest = 0;
};

Laid layOut(const char (&version)[5], const std::vector<Plain>& modules, std::uint32_t room) {
    const bool noPrefix = version[1] == '6';
    test::TestImageWriter writer(SmallFileSize, SmallDirectory);
    writer.setDirectoryVersion(version);
    std::uint32_t top = noPrefix ? SmallDirectory : SmallDirectory - 10;
    std::vector<test::TestModule> placed;
    for (const Plain& m : modules) {
        const bool stored = (m.flags & 0x80) != 0;
        test::TestModule t{.moduleId = m.moduleId, .flags = m.flags,
                           .dataArea = stored ? m.contents : test::compressedArea(m.contents)};
        t.headerOffset = top - static_cast<std::uint32_t>(t.dataArea.size()) - 12;
        top = t.headerOffset - (noPrefix ? 0 : 8);
        writer.addModule(t);
    }
    // A 06xx stretch covers the whole chain, beginning up to 7 bytes below it.
    const std::uint32_t units = noPrefix ? (SmallDirectory + 22 - top + 7) / 8 : 4;
    writer.setChecksumUnits(static_cast<std::uint16_t>(units));
    Laid laid{writer.build(), top};
    std::fill(laid.file.begin() + top - room, laid.file.begin() + top, 0xFF);
    test::putLe32(laid.file, SmallDirectory + 14, 0);
    test::putLe32(laid.file, SmallDirectory + 14, 0u - test::wordSum(laid.file, SmallDirectory + 22 - 8 * units, 8 * units));
    return laid;
}

const std::vector<Plain> Modules = {
    {0x02, 0x00, test::seabiosCode(9000, 1000)},
    {0x08, 0x80, test::seabiosCode(301, 20000)},
    {0x06, 0x00, test::seabiosCode(2001, 30000)},
};

std::uint32_t firstHeader(const Bytes& file) {
    return le16(file, SmallDirectory + 20) * 16u + le16(file, SmallDirectory + 18) + SmallFileSize - 0x100000;
}

TEST(Generations, EachGenerationLoadsVerifiesAndRebuildsUnchangedToItsOwnBytes) {
    const struct {
        const char* name;
        const char (&version)[5];
        DirectoryGeneration generation;
    } cases[] = {
        {"06xx: no prefix, no block checksum", "0627", DirectoryGeneration::V06xx},
        {"0700: exact dataSize, 8-bit checksum", "0700", DirectoryGeneration::V0700},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Laid laid = layOut(c.version, Modules, 0);
        const VerifyReport report = verifyImage(laid.file);
        EXPECT_EQ(report.generation, c.generation);
        EXPECT_TRUE(report.result.ok() && report.faults.empty());
        RomImage image;
        ASSERT_TRUE(loadImageBytes(image, laid.file).ok());
        EXPECT_EQ(image.directoryVersion, c.version);
        ASSERT_EQ(image.modules.size(), Modules.size());
        for (std::size_t i = 0; i < Modules.size(); ++i) EXPECT_EQ(image.modules[i].data, Modules[i].contents);
        EXPECT_TRUE(rebuiltInMemory(image) == laid.file);
    }
}

// Checksums of the wrong form are faults: the 0800 dword form on a 0700
// block, a non-zero upper byte, and a 06xx chain outside its stretch.
TEST(Generations, VerifyChecksTheChecksumsInTheGenerationsForm) {
    Laid v0700 = layOut("0700", Modules, 0);
    const std::uint32_t header0 = firstHeader(v0700.file);
    Bytes dword = v0700.file;
    test::putLe32(dword, header0 - 4, 0);
    test::putLe32(dword, header0 - 4, 0u - test::wordSum(dword, header0 - 8, le32(dword, header0 - 8) + 20));
    Bytes upper = v0700.file;
    upper[header0 - 1] = 1;
    Laid v06 = layOut("0627", Modules, 0);
    test::putLe16(v06.file, SmallDirectory + 12, 4);  // a stretch no longer covering the chain: checksum off
    for (const Bytes* file : {&dword, &upper, &v06.file}) EXPECT_FALSE(verifyImage(*file).faults.empty());
}

TEST(Generations, A0700BlockKeepsItsSize16WhileItsAreaIsUnchanged) {
    Laid laid = layOut("0700", Modules, 0x4000);
    const std::uint32_t header0 = firstHeader(laid.file);
    // size16 one more than dataSize, the block checksum brought back in step.
    test::putLe16(laid.file, header0 + 4, static_cast<std::uint16_t>(le16(laid.file, header0 + 4) + 1));
    laid.file[header0 - 4] = static_cast<std::uint8_t>(laid.file[header0 - 4] - 1);
    ASSERT_TRUE(verifyImage(laid.file).faults.empty());

    RomImage image;
    ASSERT_TRUE(loadImageBytes(image, laid.file).ok());
    EXPECT_TRUE(rebuiltInMemory(image) == laid.file);

    ASSERT_TRUE(loadImageBytes(image, laid.file).ok());
    Bytes changed = Modules[0].contents;
    std::fill_n(changed.begin(), 3000, 0);
    ASSERT_TRUE(replaceModule(image, 0x02, 0, 0, 0x00, changed).ok());
    const Bytes file = rebuiltInMemory(image);
    const std::uint32_t header = firstHeader(file);
    EXPECT_EQ(le16(file, header + 4), le32(file, header - 8));  // size16 = dataSize again
    EXPECT_EQ(le32(file, header + 12), le32(file, header - 8));  // packedSize = dataSize: no fill
    EXPECT_TRUE(verifyImage(file).faults.empty());
}

// The chain may grow into the 0xFF bytes below it, not into other data, and
// a 06xx checksum stretch grows with it.
TEST(Generations, AGrowingChainTakesOnlyTheFreeBytesBelowIt) {
    const struct {
        const char* name;
        const char (&version)[5];
        std::uint32_t room;
        std::size_t growth;
        bool fits;
    } cases[] = {
        {"06xx into free bytes", "0627", 0x3000, 1500, true},
        {"06xx into other data", "0627", 0, 1500, false},
        {"0700 into free bytes", "0700", 0x3000, 1500, true},
        {"0800 into other data", "0800", 0x10, 1500, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Laid laid = layOut(c.version, Modules, c.room);
        RomImage image;
        ASSERT_TRUE(loadImageBytes(image, laid.file).ok());
        Bytes bigger = Modules[1].contents;
        const Bytes more = test::seabiosCode(c.growth, 40000);
        bigger.insert(bigger.end(), more.begin(), more.end());
        ASSERT_TRUE(replaceModule(image, 0x08, 0, 0, 0x80, bigger).ok());
        const Bytes loaded = image.bytes;
        Result result;
        const Bytes file = rebuiltInMemory(image, &result);
        const std::uint32_t below = laid.lowest - c.room;
        EXPECT_TRUE(std::equal(file.begin(), file.begin() + below, laid.file.begin()));
        if (!c.fits) {
            EXPECT_NE(result.message.find("more than there are"), std::string::npos) << result.message;
            EXPECT_TRUE(file == loaded) << "the refused rebuild changed the image";
            continue;
        }
        ASSERT_TRUE(result.ok()) << result.message;
        EXPECT_TRUE(verifyImage(file).faults.empty());
        if (c.version[1] == '6') {
            EXPECT_EQ(le16(file, SmallDirectory + 12), (SmallDirectory + 22 - (laid.lowest - 1500) + 7) / 8);
        }
    }
}

TEST(Generations, A06xxAreaOver65535BytesIsRefused) {
    const Laid laid = layOut("0627", Modules, 0x18000);
    RomImage image;
    ASSERT_TRUE(loadImageBytes(image, laid.file).ok());
    ASSERT_TRUE(replaceModule(image, 0x08, 0, 0, 0x80, Bytes(0x10000, 0x5A)).ok());
    Result result;
    rebuiltInMemory(image, &result);
    EXPECT_NE(result.message.find("at most 65535"), std::string::npos) << result.message;
}

}  // namespace
}  // namespace quarnel::image
