// What the rows show after Extract and at each selector position, and the
// change events that showing them raises.
#include <gtest/gtest.h>

#include "dmi/dmi_display.h"
#include "dmi/headless_view.h"
#include "dmi/parse_dmi_module.h"
#include "dmi/uuid_text.h"
#include "dmi_module_builder.h"

namespace quarnel::dmi {
namespace {

struct Extracted : ::testing::Test {
    void SetUp() override {
        module = testing::buildModule(spec);
        view.setSelectorPosition(1);
        ASSERT_TRUE(parseDmiModule(session, module, view).empty());
    }
    std::vector<std::string> captions() const {
        std::vector<std::string> all;
        for (DmiLabel label : RowLabels) all.push_back(view.caption(label));
        return all;
    }
    std::vector<std::string> boxes() const {
        std::vector<std::string> all;
        for (DmiEdit edit : ValueBoxes) all.push_back(view.text(edit));
        return all;
    }

    testing::ModuleSpec spec;
    std::vector<std::uint8_t> module;
    DmiSession session;
    HeadlessDmiView view{session.state};
};

// Extract shows "ProductName" and "SerialNumber"; the selector's type 1
// shows them spaced.
TEST_F(Extracted, ShowsType1WithTheCaptionsOfExtractThenOfTheSelector) {
    EXPECT_EQ(view.caption(DmiLabel::Label1), "06/30/2008");
    EXPECT_EQ(captions(), (std::vector<std::string>{"Manufacturer", "ProductName", "Version", "SerialNumber", "Unique UUID"}));
    EXPECT_EQ(boxes(), (std::vector<std::string>{"Maker One", "Product One", "V1", "SER1",
                                                 "00112233445566778899AABBCCDDEEFF"}));
    EXPECT_EQ(view.text(DmiEdit::Edit2), "1");
    EXPECT_TRUE(view.packEnabled());
    view.clickSelector(2);
    view.clickSelector(1);
    EXPECT_EQ(captions(), (std::vector<std::string>{"Manufacturer", "Product Name", "Version", "Serial Number", "Unique UUID"}));
    EXPECT_EQ(view.text(DmiEdit::Edit2), "1");
}

TEST_F(Extracted, SwitchingTypesWritesEveryFieldItsOwnTextBack) {
    const DmiState before = session.state;
    for (int position : {2, 3, 1, 3, 2, 1}) view.clickSelector(position);
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(session.state.type1Fields[k].text, before.type1Fields[k].text);
        EXPECT_EQ(session.state.type2Fields[k].text, before.type2Fields[k].text);
        EXPECT_EQ(session.state.type3Fields[k].text, before.type3Fields[k].text);
    }
}

TEST_F(Extracted, Type2IsShownDisabledAndType3WithoutTheUuidRow) {
    view.clickSelector(2);
    EXPECT_EQ(view.text(DmiEdit::Edit2), "2");
    EXPECT_EQ(boxes(), (std::vector<std::string>{"Board Maker", "Board", "B1", "BSER", ""}));
    EXPECT_EQ(view.caption(DmiLabel::Label7), "N/A");
    for (DmiEdit edit : ValueBoxes) EXPECT_FALSE(view.enabled(edit));

    view.clickSelector(3);
    EXPECT_EQ(captions(), (std::vector<std::string>{"Manufacturer", "Version", "Serial Number", "AssetTag Number", "N/A"}));
    EXPECT_EQ(boxes(), (std::vector<std::string>{"Case Maker", "Case V", "CSER", "ASSET", ""}));
    for (DmiEdit edit : {DmiEdit::Edit3, DmiEdit::Edit4, DmiEdit::Edit5, DmiEdit::Edit6}) EXPECT_TRUE(view.enabled(edit));
    EXPECT_FALSE(view.enabled(DmiEdit::Edit7));
}

TEST_F(Extracted, ExtractWhileType2IsShownLeavesTheBoxesDisabled) {
    view.clickSelector(2);
    view.setSelectorPosition(1);
    ASSERT_TRUE(parseDmiModule(session, module, view).empty());
    EXPECT_EQ(view.text(DmiEdit::Edit3), "Maker One");
    EXPECT_FALSE(view.enabled(DmiEdit::Edit3));
    view.clickSelector(2);
    view.clickSelector(1);
    EXPECT_TRUE(view.enabled(DmiEdit::Edit7));
}

// Edit7's change event is Edit6Change: it copies Edit6, not the UUID. The
// typed UUID gives way to the held one on coming back to type 1.
TEST_F(Extracted, Edit7ChangeCopiesEdit6AndTheHeldUuidComesBack) {
    view.type(DmiEdit::Edit6, "NEW");
    view.type(DmiEdit::Edit7, "FFEEDDCCBBAA99887766554433221100");
    EXPECT_EQ(session.state.type1Fields[3].text, "NEW ");
    EXPECT_EQ(session.state.uuid, spec.uuid);
    view.clickSelector(3);
    EXPECT_EQ(view.text(DmiEdit::Edit7), "");
    view.clickSelector(1);
    EXPECT_EQ(view.text(DmiEdit::Edit7), uuidText(spec.uuid));
}

TEST_F(Extracted, UnsupportedModuleShowsEveryProblemAndAsksToQuit) {
    spec.date = "10/24/2006";
    spec.type1.push_back("Fifth");
    module = testing::buildModule(spec);
    ASSERT_TRUE(parseDmiModule(session, module, view).empty());
    ASSERT_GE(view.messages().size(), 2u);
    EXPECT_EQ(view.messages()[0], "Bios DONT support DMI changes");
    EXPECT_EQ(view.messages()[1], "Can't find type 2 in DMI");
    EXPECT_TRUE(view.quitRequested());
    EXPECT_FALSE(session.packable);
}

TEST_F(Extracted, RefusedModuleLeavesSessionAndWindowAsTheyWere) {
    view.type(DmiEdit::Edit3, "Edited");
    const auto shown = boxes();
    const auto held = session.state.type1Fields;
    const auto buffer = session.workBuffer.bytes;
    auto cut = module;
    cut.resize(testing::signatureOffsetOf(spec) + 50);
    view.setSelectorPosition(1);
    EXPECT_FALSE(parseDmiModule(session, cut, view).empty());
    EXPECT_EQ(view.messages().size(), 1u);
    EXPECT_EQ(boxes(), shown);
    EXPECT_EQ(session.state.type1Fields[0].text, held[0].text);
    EXPECT_EQ(session.workBuffer.bytes, buffer);
    EXPECT_EQ(view.caption(DmiLabel::Label1), "06/30/2008");
    EXPECT_FALSE(view.quitRequested());
}

}  // namespace
}  // namespace quarnel::dmi
