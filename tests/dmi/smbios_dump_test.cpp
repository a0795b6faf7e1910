// The dump that dmidecode reads: entry point and structure table.
#include <gtest/gtest.h>

#include <numeric>

#include "dmi/smbios_dump.h"
#include "dmi_module_builder.h"

namespace quarnel::dmi {
namespace {

std::uint8_t byteSum(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t length) {
    return static_cast<std::uint8_t>(std::accumulate(bytes.begin() + from, bytes.begin() + from + length, 0));
}

TEST(SmbiosDump, EntryPointFramesTheTableFromType0ToEndOfTable) {
    testing::ModuleSpec spec;
    const auto module = testing::buildModule(spec);
    std::vector<std::uint8_t> d;
    ASSERT_EQ(buildSmbiosDump(module, testing::signatureOffsetOf(spec), d).message, "");
    EXPECT_EQ(std::string(d.begin(), d.begin() + 4), "_SM_");
    EXPECT_EQ(std::string(d.begin() + 0x10, d.begin() + 0x15), "_DMI_");
    EXPECT_EQ(byteSum(d, 0, 0x1F), 0);
    EXPECT_EQ(byteSum(d, 0x10, 0x0F), 0);
    const std::size_t tableLength = d[0x16] | d[0x17] << 8;
    EXPECT_EQ(d[0x18], 0x20);
    EXPECT_EQ(d[0x1C], 5);  // types 0, 1, 2, 3, 127
    EXPECT_EQ(d.size(), 0x20 + tableLength);
    // The table is the module from its type-0 header up to the trailing room.
    EXPECT_TRUE(std::equal(d.begin() + 0x20, d.end(), module.begin() + static_cast<std::ptrdiff_t>(spec.prefix)));
    EXPECT_EQ(spec.prefix + tableLength + spec.trailing, module.size());
}

TEST(SmbiosDump, NeedsTheType0HeaderBeforeTheSignature) {
    testing::ModuleSpec spec;
    auto module = testing::buildModule(spec);
    module[spec.prefix + 1] = 0x13;  // the header's length no longer reaches the signature
    std::vector<std::uint8_t> dump;
    EXPECT_NE(buildSmbiosDump(module, testing::signatureOffsetOf(spec), dump).message, "");
}

}  // namespace
}  // namespace quarnel::dmi
