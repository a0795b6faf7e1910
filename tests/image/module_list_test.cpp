#include <gtest/gtest.h>

#include "image/rom_image.h"
#include "image/test_image_writer.h"

namespace quarnel::image {
namespace {

RomImage loadedWithTwoModules() {
    RomImage image;
    const auto file =
        test::TestImageWriter(0x20000, 0x1FF00)
            .addModule({.headerOffset = 0x10008, .moduleId = 6, .flags = 0x00,
                        .dataArea = test::compressedArea(test::seabiosCode(1000))})
            .addModule({.headerOffset = 0x18008, .moduleId = 0x11, .flags = 0x80, .dataArea = {1, 2, 3}})
            .build();
    EXPECT_TRUE(loadImageBytes(image, file).ok());
    return image;
}

TEST(ReplaceModule, KeepsPlaceAndCompressedFormButTakesFlagsDataAndSize) {
    RomImage image = loadedWithTwoModules();
    const std::vector<std::uint8_t> contents = {9, 8, 7, 6, 5};
    ASSERT_TRUE(replaceModule(image, 0x11, 0, 0, 0x00, contents).ok());
    ASSERT_EQ(image.modules.size(), 2u);
    const ModuleEntry& replaced = image.modules[1];
    EXPECT_EQ(replaced.moduleId, 0x11);
    EXPECT_EQ(replaced.flags, 0x00);
    EXPECT_FALSE(replaced.compressed);  // stored when loaded; the new flags don't change that
    EXPECT_EQ(replaced.data, contents);
    EXPECT_EQ(replaced.size, 5u);

    ASSERT_TRUE(replaceModule(image, 6, 0, 0, 0x80, contents).ok());
    EXPECT_TRUE(image.modules[0].compressed);
    EXPECT_EQ(image.modules[0].flags, 0x80);
}

TEST(ReplaceModule, AppendsANewKeyAtTheTailCompressedByTheLoadersRule) {
    RomImage image = loadedWithTwoModules();
    const std::vector<std::uint8_t> contents = {1, 1, 2, 3, 5, 8};
    ASSERT_TRUE(replaceModule(image, 6, 2, 1, 0x00, contents).ok());  // subId2 2, subId1 1
    EXPECT_EQ(findModule(image, 6, 2, 1), &image.modules[2]);
    EXPECT_EQ(image.modules[2].subId1, 1);
    EXPECT_EQ(image.modules[2].data, contents);
    EXPECT_EQ(image.modules[2].size, 6u);
    EXPECT_TRUE(image.modules[2].compressed);
    for (const auto& [id, flags] : {std::pair<std::uint8_t, std::uint8_t>{0x20, 0x80}, {0x40, 0x00}, {0x60, 0x00}}) {
        ASSERT_TRUE(replaceModule(image, id, 0, 0, flags, contents).ok());
        EXPECT_FALSE(image.modules.back().compressed) << int{id};
    }
    EXPECT_EQ(image.modules.size(), 6u);
}

TEST(ReplaceModule, AcceptsTheModulesOwnBufferAsItsNewContents) {
    RomImage image = loadedWithTwoModules();
    const std::vector<std::uint8_t> before = image.modules[0].data;
    ASSERT_TRUE(replaceModule(image, 6, 0, 0, 0, image.modules[0].data).ok());
    EXPECT_EQ(image.modules[0].data, before);
}

TEST(ReplaceModule, NeedsALoadedImage) {
    RomImage image;
    const std::vector<std::uint8_t> contents = {1};
    EXPECT_EQ(replaceModule(image, 6, 0, 0, 0, contents).outcome, Outcome::NotLoaded);
    EXPECT_TRUE(image.modules.empty());
}

}  // namespace
}  // namespace quarnel::image
