#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <optional>

#include "image/links.h"
#include "image/module_chain.h"
#include "image/rom_image.h"

namespace quarnel::image {
namespace {

TEST(Links, BothFormsOfALinkReachTheSameOffsetInAHalfMegabyteFile) {
    std::vector<std::uint8_t> bytes(0x80000, 0);
    const std::uint8_t normalised[] = {0x08, 0x00, 0x00, 0xF0};
    const std::uint8_t shifted[] = {0x08, 0x10, 0x00, 0xEF};
    std::copy(std::begin(normalised), std::end(normalised), bytes.begin() + 0x100);
    std::copy(std::begin(shifted), std::end(shifted), bytes.begin() + 0x200);

    for (std::uint32_t at : {0x100u, 0x200u}) {
        EXPECT_EQ(readLink(bytes, at).fileOffset, 0x70008) << at;
        EXPECT_EQ(readLink(bytes, at).linear, 0xF0008u) << at;
    }
    writeLink(bytes, 0x300, 0x70008);
    EXPECT_TRUE(std::equal(std::begin(normalised), std::end(normalised), bytes.begin() + 0x300));
}

// The worked example, and a partial last word that takes the bytes behind
// the stretch; past the image's end they count as zero and are never read.
TEST(DwordChecksum, SumsWholeAndPartialWords) {
    const std::vector<std::uint8_t> words = {1, 0, 0, 0, 2, 0, 0, 0};
    EXPECT_EQ(dwordChecksum(words, 0, 8), 0xFFFFFFFDu);
    EXPECT_EQ(dwordChecksum(words, 0, 0), 0u);
    const std::vector<std::uint8_t> bytes = {1, 0, 0, 0, 0x10, 0x20, 0x30, 0x40};
    EXPECT_EQ(dwordChecksum(bytes, 0, 5), 0u - (1u + 0x40302010u));
    EXPECT_EQ(dwordChecksum(bytes, 4, 6), 0u - 0x40302010u);
    EXPECT_EQ(dwordChecksum(std::span(bytes).first(6), 4, 1), 0u - 0x2010u);
}

TEST(DirectorySearch, ASignatureNeedsRoomForTheWholeDirectoryHeader) {
    std::vector<std::uint8_t> bytes(23, 0);
    std::copy_n("AMIBIOSC", 8, bytes.begin());
    EXPECT_EQ(findDirectory(bytes), 0u);                                  // 0 < 23 - 22
    EXPECT_EQ(findDirectory(std::span(bytes).first(22)), std::nullopt);  // too short to be searched

    std::vector<std::uint8_t> file(100, 0);
    std::copy_n("AMIBIOSC", 8, file.begin() + 78);  // 100 - 22: in the last 22 bytes
    EXPECT_EQ(findDirectory(file), std::nullopt);
    std::copy_n("AMIBIOSC", 8, file.begin() + 77);
    EXPECT_EQ(findDirectory(file), 77u);
}

TEST(DirectorySearch, TheLowerOfTwoSignaturesWins) {
    std::vector<std::uint8_t> file(0x1000, 0);
    std::copy_n("AMIBIOSC", 8, file.begin() + 0x800);
    std::copy_n("AMIBIOSC", 8, file.begin() + 0x400);
    EXPECT_EQ(findDirectory(file), 0x400u);
}

// The search skips to each 'A': a partial signature must not hide a whole
// one that starts inside it.
TEST(DirectorySearch, APartialSignatureDoesNotHideTheOneThatFollows) {
    const struct {
        const char* text;
        std::optional<std::uint32_t> found;
    } cases[] = {
        {"AAMIBIOSC", 0x101},   {"AMIAMIBIOSC", 0x103}, {"AMIBIOSAMIBIOSC", 0x107},
        {"AMIBIOS", std::nullopt}, {"AMIBIOSc", std::nullopt},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> file(0x200, 'A');
        std::copy_n(c.text, std::strlen(c.text), file.begin() + 0x100);
        file[0x100 + std::strlen(c.text)] = 0;
        std::fill(file.begin(), file.begin() + 0x100, 0);
        EXPECT_EQ(findDirectory(file), c.found) << c.text;
    }
}

}  // namespace
}  // namespace quarnel::image
