// One module put back into an image as read (module_placement.h), on
// synthetic chains laid out as the two builders seen in real images lay
// them: blocks of stored modules, whose sizes the test sets exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <tuple>

#include "image/block_checksum.h"
#include "image/image_fixtures.h"
#include "image/module_chain.h"
#include "image/module_placement.h"
#include "image/verify_image.h"
#include "support/firmware_images.h"
#include "support/test_files.h"

namespace quarnel::image {
namespace {

using test::FixtureDirectory;
using test::FixtureFileSize;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t ChainTop = FixtureDirectory - 10;
constexpr std::uint32_t Overhead = 20;  // a block's prefix and header

Bytes contents(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + 7 * i);
    return bytes;
}

// The directory checksum's state in the file: a checksum over no bytes at
// all holds whatever its field says.
enum class DirectorySum { Holds, Stale, CoversNothing };

// Stored modules of the given sizes, one block right after the other, from
// `first` down (top-down) or up (bottom-up); `freeRoom` bytes of 0xFF where
// the builder adds modules, the writer's pattern everywhere else.
struct Layout {
    bool topDown;
    std::vector<std::uint32_t> sizes;
    std::uint32_t freeRoom;
    DirectorySum directory = DirectorySum::Holds;
    std::vector<std::uint8_t> flags = {};  // per block; 0x80 where not given

    std::uint8_t flagsOf(std::size_t i) const { return i < flags.size() ? flags[i] : 0x80; }

    Bytes build() const {
        std::uint32_t total = 0;
        for (std::uint32_t size : sizes) total += size + Overhead;
        std::uint32_t at = topDown ? ChainTop : ChainTop - freeRoom - total;
        test::TestImageWriter writer(FixtureFileSize, FixtureDirectory);
        if (directory == DirectorySum::CoversNothing) writer.setChecksumUnits(0);
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            const std::uint32_t start = topDown ? at - sizes[i] - Overhead : at;
            writer.addModule({.headerOffset = start + 8, .moduleId = static_cast<std::uint8_t>(0x30 + i), .flags = flagsOf(i),
                              .dataArea = contents(sizes[i], static_cast<std::uint8_t>(i))});
            at = topDown ? start : start + sizes[i] + Overhead;
        }
        Bytes file = writer.build();
        const std::uint32_t roomStart = topDown ? at - freeRoom : at;
        std::fill_n(file.begin() + roomStart, freeRoom, 0xFF);
        if (directory != DirectorySum::Holds) file[FixtureDirectory + 14] ^= 0x5A;
        return file;
    }
};

TEST(ModulePlacement, OneModuleChangesAndOnlyWhatItsPlaceNeedsFollows) {
    const struct {
        const char* name;
        Layout layout;
        std::size_t index;    // the module to change; one past the chain appends
        std::uint32_t size;   // its new contents' length
        Placement placement;  // or the missing bytes a refusal names
        const char* refusal;
    } cases[] = {
        {"shrinks in place", {true, {64, 100, 48}, 0}, 1, 60, Placement::InPlace, nullptr},
        {"grows into the 0xFF bytes above it", {false, {64, 100}, 40}, 1, 132, Placement::InPlace, nullptr},
        {"moves below a chain laid top-down", {true, {64, 100, 48}, 4096}, 1, 300, Placement::Moved, nullptr},
        {"moves above a chain laid bottom-up", {false, {64, 100, 48}, 4096}, 1, 300, Placement::Moved, nullptr},
        {"slides the block above toward the free room", {false, {64, 100, 48}, 100}, 1, 180, Placement::Slid, nullptr},
        {"grows down, sliding the blocks below", {true, {64, 100, 48}, 100}, 1, 180, Placement::Slid, nullptr},
        {"is appended in the free room", {false, {64, 100}, 4096}, 2, 40, Placement::Appended, nullptr},
        {"keeps a stale directory checksum", {true, {64, 100, 48}, 0, DirectorySum::Stale}, 1, 60, Placement::InPlace,
         nullptr},
        {"keeps the field of a checksum over nothing", {false, {64, 100, 48}, 100, DirectorySum::CoversNothing}, 1, 180,
         Placement::Slid, nullptr},
        {"has no room left", {false, {64, 100, 48}, 100}, 1, 300, Placement::Unchanged, "100 bytes are missing"},
        // Blocks a builder placed on purpose never move: the growth has
        // only the bytes in place then.
        {"slides no block flagged fixed", {false, {64, 100, 48}, 100, {}, {0x80, 0x80, 0x90}}, 1, 180,
         Placement::Unchanged, "80 bytes are missing; a slide would move Module 2"},
        {"slides no stored block whose data starts on 4 KiB", {true, {64, 100, 3626}, 100}, 1, 180, Placement::Unchanged,
         "80 bytes are missing; a slide would move Module 2"},
        {"moves no edited block flagged fixed", {true, {64, 100, 48}, 4096, {}, {0x80, 0x90}}, 1, 300,
         Placement::Unchanged, "200 bytes are missing; its builder placed it"},
        {"grows a block flagged fixed in place", {false, {64, 100}, 40, {}, {0x80, 0x90}}, 1, 132, Placement::InPlace,
         nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes input = c.layout.build();
        RomImage image;
        ASSERT_TRUE(loadImageBytes(image, input).ok());
        const ModuleList before = image.modules;
        const Bytes changed = contents(c.size, 0x77);
        const auto id = static_cast<std::uint8_t>(0x30 + c.index);
        ASSERT_TRUE(replaceModule(image, id, 0, 0, c.layout.flagsOf(c.index), changed).ok());
        Bytes out;
        Placement placement = Placement::Unchanged;
        const Result result = writeModuleInPlace(image, c.index, out, 1, &placement);
        if (c.refusal) {
            EXPECT_NE(result.message.find(c.refusal), std::string::npos) << result.message;
            EXPECT_TRUE(out.empty());
            continue;
        }
        ASSERT_TRUE(result.ok()) << result.message;
        EXPECT_EQ(placement, c.placement);

        const VerifyReport report = verifyImage(out);
        EXPECT_TRUE(report.result.ok() && report.faults.empty());
        EXPECT_EQ(report.directoryChecksumHolds, c.layout.directory != DirectorySum::Stale);
        if (c.layout.directory != DirectorySum::Holds) {
            EXPECT_TRUE(std::equal(out.begin() + FixtureDirectory + 14, out.begin() + FixtureDirectory + 18,
                                   input.begin() + FixtureDirectory + 14));
        }

        // Every other module keeps its header fields and its bytes; only a
        // slide moves any of them, and never the blocks on the other side.
        const ModuleChain was = describeModuleChain(input), is = describeModuleChain(out);
        ASSERT_EQ(is.blocks.size(), before.size() + (c.placement == Placement::Appended));
        for (std::size_t i = 0; i < was.blocks.size(); ++i) {
            const ModuleBlock &a = was.blocks[i], &b = is.blocks[i];
            if (i == c.index) continue;
            EXPECT_EQ(std::tie(a.moduleId, a.flags, a.size16, a.dataSize), std::tie(b.moduleId, b.flags, b.size16, b.dataSize));
            EXPECT_TRUE(std::equal(input.begin() + a.dataOffset(), input.begin() + a.blockEnd(), out.begin() + b.dataOffset()));
            EXPECT_EQ(a.headerOffset != b.headerOffset, c.placement == Placement::Slid && i == c.index + 1)
                << "module " << i;
        }
        RomImage again;
        ASSERT_TRUE(loadImageBytes(again, out).ok());
        EXPECT_EQ(again.modules[c.index].data, changed);

        // Outside the old and new blocks (and a slid block's old and new
        // place) only the directory's first link and checksum may change.
        std::vector<std::pair<std::uint32_t, std::uint32_t>> spans = {{FixtureDirectory + 14, FixtureDirectory + 22}};
        for (const ModuleChain* chain : {&was, &is})
            for (std::size_t i = 0; i < chain->blocks.size(); ++i)
                if (i == c.index || was.blocks.size() <= i || was.blocks[i].headerOffset != is.blocks[i].headerOffset ||
                    i + 1 == c.index)
                    spans.emplace_back(chain->blocks[i].blockStart(), chain->blocks[i].blockEnd());
        for (std::uint32_t at = 0; at < out.size(); ++at)
            if (out[at] != input[at] &&
                std::none_of(spans.begin(), spans.end(), [at](const auto& s) { return s.first <= at && at < s.second; }))
                ADD_FAILURE() << "byte 0x" << std::hex << at << " changed";
    }
}

// A bottom-up chain whose stored modules lie at fixed places (the stored
// 0x40 module's data at 0x40000, above the DMI module), with its free room
// filled but for less than a grown DMI module's block: the room takes the
// growth, but the slide would move the blocks placed on purpose.
TEST(ModulePlacement, RealChainRefusesToSlideItsFixedStoredBlocks) {
    const std::filesystem::path path = std::filesystem::path(test::firmwareFolder()) / "a780l3b__ORIG322.BSS";
    if (!std::filesystem::is_regular_file(path)) GTEST_SKIP() << "no real firmware: " << path << " is absent";
    const Bytes input = test::readFile(path);
    RomImage image;
    ASSERT_TRUE(loadImageBytes(image, input).ok());
    const auto dmi = std::find_if(image.modules.begin(), image.modules.end(),
                                  [](const ModuleEntry& entry) { return entry.moduleId == 0x06; });
    ASSERT_NE(dmi, image.modules.end());
    const auto index = static_cast<std::size_t>(dmi - image.modules.begin());
    Bytes grown = dmi->data;
    std::mt19937 random(24);
    for (std::size_t i = grown.size() / 2; i < grown.size(); ++i) grown[i] = static_cast<std::uint8_t>(random());
    const std::uint8_t flags = dmi->flags;

    const auto pack = [&](const Bytes& file, Bytes& out, Placement& placement) {
        RomImage rom;
        EXPECT_TRUE(loadImageBytes(rom, file).ok());
        EXPECT_TRUE(replaceModule(rom, 0x06, 0, 0, flags, grown).ok());
        return writeModuleInPlace(rom, index, out, 1, &placement);
    };
    Bytes moved;
    Placement placement = Placement::Unchanged;
    ASSERT_TRUE(pack(input, moved, placement).ok());
    ASSERT_EQ(placement, Placement::Moved) << "the whole free room takes the grown block";
    const std::uint32_t newLength = describeModuleChain(moved).blocks[index].blockLength();

    const ModuleChain chain = describeModuleChain(input);
    std::uint32_t highestEnd = 0;
    for (const ModuleBlock& block : chain.blocks) highestEnd = std::max(highestEnd, block.blockEnd());
    Bytes filled = input;
    std::fill(filled.begin() + highestEnd + newLength - 4, filled.begin() + chain.moduleAreaEnd(), 0x00);
    Bytes out;
    const Result refused = pack(filled, out, placement);
    EXPECT_EQ(refused.outcome, Outcome::BadData);
    EXPECT_NE(refused.message.find("bytes are missing; a slide would move Module 0 (ID 40"), std::string::npos)
        << refused.message;
    EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace quarnel::image
