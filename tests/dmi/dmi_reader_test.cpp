// Reading the DMI module: the date check, the structure stepping and the
// bounds of the module.
#include <gtest/gtest.h>

#include "dmi/dmi_messages.h"
#include "dmi/dmi_reader.h"
#include "dmi_module_builder.h"

namespace quarnel::dmi {
namespace {

using testing::buildModule;
using testing::ModuleSpec;

bool hasProblem(const DmiReadResult& read, const char* message) {
    return std::find(read.problems.begin(), read.problems.end(), message) != read.problems.end();
}

TEST(DmiReader, DatesFrom10_25_2006OnSupportDmiChanges) {
    for (auto [date, supported] : {std::pair{"10/24/2006", false}, std::pair{"10/25/2006", true},
                                   std::pair{"11/01/2006", true}, std::pair{"01/01/2007", true},
                                   std::pair{"12/31/2005", false}, std::pair{"09/30/2006", false}}) {
        ModuleSpec spec;
        spec.date = date;
        const DmiReadResult read = readDmiModule(buildModule(spec));
        EXPECT_EQ(read.state.dmiChangesSupported, supported) << date;
        EXPECT_EQ(hasProblem(read, messages::NoDmiSupport), !supported) << date;
    }
}

// Misaligned by five or seven strings, the walk misses type 2 (and may run
// off the module: it is then refused too).
TEST(DmiReader, StepsOverSixStringSetsButNotFiveOrSeven) {
    for (std::size_t count : {4u, 5u, 6u, 7u}) {
        ModuleSpec spec;
        spec.type1.resize(count, "Extra");
        spec.type2.resize(count, "More");
        const DmiReadResult read = readDmiModule(buildModule(spec));
        const bool stepped = count == 4 || count == 6;
        EXPECT_EQ(hasProblem(read, messages::NoType2), !stepped) << count;
        if (!stepped) continue;
        EXPECT_TRUE(read.refusal.ok()) << count;
        EXPECT_FALSE(hasProblem(read, messages::NoType3)) << count;
        EXPECT_EQ(read.state.type2Fields[0].text, "Board Maker");
        EXPECT_EQ(read.state.type3Fields[3].text, "ASSET");
    }
}

TEST(DmiReader, ModuleOf20BytesHasNoSignature) {
    const std::vector<std::uint8_t> module(20, 0x00);
    const DmiReadResult read = readDmiModule(module);
    EXPECT_FALSE(read.signatureFound);
    EXPECT_TRUE(read.state.biosDate.empty());
    ASSERT_FALSE(read.problems.empty());
    EXPECT_EQ(read.problems.front(), messages::NoDmiSupport);
}

TEST(DmiReader, RefusesSignatureWithin69BytesOfTheEnd) {
    ModuleSpec spec;
    auto module = buildModule(spec);
    const std::uint32_t signature = testing::signatureOffsetOf(spec);
    module.resize(signature + 68);
    EXPECT_EQ(readDmiModule(module).refusal.message, messages::SignatureNearEnd);
}

TEST(DmiReader, RefusesStringsAndHeadersThatRunPastTheEnd) {
    ModuleSpec spec;
    const auto whole = buildModule(spec);
    const DmiState state = readDmiModule(whole).state;
    // Cut inside the third type-1 string, then right before the type-2 header.
    const std::uint32_t third = state.type1StringsOffset + 9 + 1 + 11 + 1;
    EXPECT_EQ(readDmiModule(std::span(whole).first(third + 1)).refusal.message, messages::StringPastEnd);
    const std::uint32_t type2Header = third + 2 + 1 + 4 + 1 + 1;
    EXPECT_EQ(readDmiModule(std::span(whole).first(type2Header)).refusal.message, messages::HeaderPastEnd);
    EXPECT_EQ(readDmiModule(std::span(whole).first(type2Header + 0x08 + 3)).refusal.message, messages::StringPastEnd);
}

TEST(DmiReader, HoldsLongStringsAndLargeModulesWhole) {
    ModuleSpec spec;
    spec.type1[1] = std::string(40, 'P');
    spec.prefix = 20000;
    const DmiReadResult read = readDmiModule(buildModule(spec));
    ASSERT_TRUE(read.refusal.ok());
    EXPECT_EQ(read.state.type1Fields[1].text, std::string(40, 'P'));
    EXPECT_EQ(read.state.type1Fields[1].length, 40);
    EXPECT_EQ(read.state.signatureOffset, 20000u + 0x14);
}

}  // namespace
}  // namespace quarnel::dmi
