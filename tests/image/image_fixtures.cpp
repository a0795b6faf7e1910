#include "image/image_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "image/module_areas.h"

namespace quarnel::test {

std::vector<std::uint8_t> noContentsArea() { return {9, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0}; }

std::vector<std::uint8_t> rebuiltInMemory(image::RomImage& image, Result* failure) {
    std::vector<image::ModuleArea> areas;
    Result r = image::prepareModuleAreas(image.modules, areas);
    if (r.ok()) r = image::placeModuleAreas(image, areas);
    if (failure) *failure = r;
    else EXPECT_TRUE(r.ok()) << r.message;
    return image.bytes;
}

MixedChain::MixedChain(std::uint16_t checksumUnits, ChainLayout layout) {
    add({.headerOffset = 0x60008, .moduleId = 6, .linkForm = LinkForm::Shifted}, seabiosCode(20000), true);
    add({.headerOffset = 0x10008, .moduleId = 0x11, .flags = 0x80}, seabiosCode(100, 30000), false);
    add({.headerOffset = 0x70008, .moduleId = 0x40, .flags = 0x00}, seabiosCode(64, 40000), false);
    add({.headerOffset = 0x20008, .moduleId = 0x60, .flags = 0x02, .linkForm = LinkForm::Shifted},
        seabiosCode(33, 45000), false);
    modules.push_back({.headerOffset = 0x30008, .moduleId = 0x22, .dataArea = noContentsArea()});
    contents.emplace_back();
    add({.headerOffset = 0x7F008, .moduleId = 6, .subId1 = 1, .subId2 = 2}, seabiosCode(5000, 50000), true);
    std::uint32_t top = FixtureDirectory - 10;
    if (layout == ChainLayout::AsRebuilt)
        for (TestModule& m : modules) {
            top -= static_cast<std::uint32_t>(m.dataArea.size()) + 20;
            m.headerOffset = top + 8;
        }
    TestImageWriter writer(FixtureFileSize, FixtureDirectory);
    writer.setChecksumUnits(checksumUnits);
    for (const TestModule& m : modules) writer.addModule(m);
    file = writer.build();
    if (layout == ChainLayout::AsRebuilt) std::fill(file.begin() + top - 0x10000, file.begin() + top, 0xFF);
}

void MixedChain::add(TestModule module, std::vector<std::uint8_t> plain, bool compress) {
    module.dataArea = compress ? compressedArea(plain) : plain;
    modules.push_back(std::move(module));
    contents.push_back(std::move(plain));
}

}  // namespace quarnel::test
