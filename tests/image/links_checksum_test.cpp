#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "image/module_chain.h"
#include "image/rom_image.h"

namespace quarnel::image {
namespace {

RomImage imageOfSize(std::uint32_t size) {
    RomImage image;
    image.bytes.assign(size, 0);
    image.fileSize = size;
    return image;
}

TEST(Links, BothFormsOfALinkReachTheSameOffsetInAHalfMegabyteFile) {
    RomImage image = imageOfSize(0x80000);
    const std::uint8_t normalised[] = {0x08, 0x00, 0x00, 0xF0};
    const std::uint8_t shifted[] = {0x08, 0x10, 0x00, 0xEF};
    std::copy(std::begin(normalised), std::end(normalised), image.bytes.begin() + 0x100);
    std::copy(std::begin(shifted), std::end(shifted), image.bytes.begin() + 0x200);

    EXPECT_EQ(linkToOffset(image, 0x100), 0x70008);
    EXPECT_EQ(image.lastLinear, 0xF0008u);
    EXPECT_EQ(linkToOffset(image, 0x200), 0x70008);
    EXPECT_EQ(image.lastLinear, 0xF0008u);
}

TEST(Links, WrittenLinksAreNormalised) {
    RomImage image = imageOfSize(0x80000);
    offsetToLink(image, 0x300, 0x70008);
    EXPECT_EQ(image.bytes[0x300], 0x08);
    EXPECT_EQ(image.bytes[0x301], 0x00);
    EXPECT_EQ(image.bytes[0x302], 0x00);
    EXPECT_EQ(image.bytes[0x303], 0xF0);
}

TEST(DwordChecksum, MatchesTheWorkedExamples) {
    const std::vector<std::uint8_t> words = {1, 0, 0, 0, 2, 0, 0, 0};
    EXPECT_EQ(dwordChecksum(words, 0, 8), 0xFFFFFFFDu);
    EXPECT_EQ(dwordChecksum(words, 0, 0), 0u);
}

TEST(DwordChecksum, APartialLastWordTakesTheBytesBehindTheStretch) {
    const std::vector<std::uint8_t> bytes = {1, 0, 0, 0, 0x10, 0x20, 0x30, 0x40};
    // 5 bytes: the second word is 0x40302010, three of its bytes behind the stretch.
    EXPECT_EQ(dwordChecksum(bytes, 0, 5), 0u - (1u + 0x40302010u));
    // Past the image's end they count as zero and are never read.
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

}  // namespace
}  // namespace quarnel::image
