// The encode stage of a rebuild on several threads: the areas are those of
// one thread, byte for byte, and a failure names the first failing module in
// list order, whichever thread met it first.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "image/module_areas.h"
#include "lzh/encode_inputs.h"
#include "support/test_files.h"

namespace quarnel::image {
namespace {

ModuleEntry module(std::uint8_t id, std::vector<std::uint8_t> data, bool compressed) {
    ModuleEntry entry;
    entry.moduleId = id;
    entry.size = static_cast<std::uint32_t>(data.size());
    entry.data = std::move(data);
    entry.compressed = compressed;
    return entry;
}

// Modules of many sizes, stored and compressed; random bytes at `bad`
// can't be compressed.
ModuleList modules(std::initializer_list<std::size_t> bad) {
    ModuleList list;
    for (std::uint8_t i = 0; i < 12; ++i) {
        const std::size_t size = 3000 + 7919u * i;
        const bool isBad = std::find(bad.begin(), bad.end(), i) != bad.end();
        list.push_back(module(static_cast<std::uint8_t>(0x10 + i),
                              isBad ? test::randomBytes(size, i + 1) : test::englishText(size, i + 1), i % 4 != 1));
    }
    return list;
}

TEST(ModuleAreasInParallel, AreasAreThoseOfOneThreadAtEveryCount) {
    const ModuleList list = modules({});
    std::vector<ModuleArea> expected;
    ASSERT_TRUE(prepareModuleAreas(list, expected, 1).ok());
    for (const unsigned threads : {2u, 3u, 8u, 0u}) {
        std::vector<ModuleArea> areas;
        ASSERT_TRUE(prepareModuleAreas(list, areas, threads).ok()) << threads;
        ASSERT_EQ(areas.size(), expected.size());
        for (std::size_t i = 0; i < areas.size(); ++i) {
            EXPECT_EQ(areas[i].compressed, expected[i].compressed) << threads << " threads, module " << i;
            EXPECT_TRUE(areas[i].encoded == expected[i].encoded) << threads << " threads, module " << i;
        }
    }
}

// Module 10 fails too, on whichever thread takes it; the message must name
// module 6 all the same.
TEST(ModuleAreasInParallel, AFailureNamesTheFirstFailingModuleInListOrder) {
    const ModuleList list = modules({6, 10});
    for (const unsigned threads : {1u, 2u, 3u, 8u}) {
        std::vector<ModuleArea> areas;
        const Result result = prepareModuleAreas(list, areas, threads);
        EXPECT_EQ(result.outcome, Outcome::BadData) << threads;
        EXPECT_EQ(result.message.rfind("Module 6 (ID 16)", 0), 0u) << threads << ": " << result.message;
    }
}

}  // namespace
}  // namespace quarnel::image
