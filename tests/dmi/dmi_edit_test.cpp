// Copying the boxes into the fields, and writing them and the UUID back.
#include <gtest/gtest.h>

#include "dmi/dmi_edit.h"
#include "dmi/dmi_messages.h"
#include "dmi/headless_view.h"
#include "dmi/parse_dmi_module.h"
#include "dmi/uuid_text.h"
#include "dmi_module_builder.h"

namespace quarnel::dmi {
namespace {

struct Editing : ::testing::Test {
    void SetUp() override {
        spec.type1[1] = std::string(22, 'p');
        spec.type1[2] = "Version8";
        module = testing::buildModule(spec);
        ASSERT_TRUE(parseDmiModule(session, module, view).empty());
    }
    std::string writeBack() { return writeBackDmi(session.state, session.workBuffer, view); }
    std::string bytesAt(std::uint32_t offset, std::size_t length) const {
        const auto& b = session.workBuffer.bytes;
        return std::string(b.begin() + offset, b.begin() + offset + static_cast<std::ptrdiff_t>(length));
    }

    testing::ModuleSpec spec;
    std::vector<std::uint8_t> module;
    DmiSession session;
    HeadlessDmiView view{session.state};
};

TEST_F(Editing, ShorterTextIsPaddedWithSpacesAndLongerTextCut) {
    view.type(DmiEdit::Edit4, "ACME");
    EXPECT_EQ(session.state.type1Fields[1].text, "ACME" + std::string(18, ' '));
    const std::string thirty(30, 'x');
    view.type(DmiEdit::Edit5, thirty);
    EXPECT_EQ(session.state.type1Fields[2].text, std::string(8, 'x'));
    EXPECT_EQ(view.text(DmiEdit::Edit5), std::string(8, 'x'));  // the box stops at the field's length
    view.type(DmiEdit::Edit3, "");
    EXPECT_EQ(session.state.type1Fields[0].text, std::string(9, ' '));
}

TEST_F(Editing, EditsGoToTheTypeTheSelectorShows) {
    view.clickSelector(3);
    view.type(DmiEdit::Edit3, "Other");
    EXPECT_EQ(session.state.type3Fields[0].text, "Other     ");
    EXPECT_EQ(session.state.type1Fields[0].text, "Maker One");
    view.clickSelector(2);
    applyFieldEdit(session.state, view, 1, "Board!");
    EXPECT_EQ(session.state.type2Fields[0].text, "Board Maker");
}

TEST_F(Editing, UnchangedPackReproducesTheModuleByteForByte) {
    EXPECT_EQ(writeBack(), "");
    EXPECT_EQ(session.workBuffer.bytes, module);
    EXPECT_EQ(writeBack(), "");
    EXPECT_EQ(session.workBuffer.bytes, module);
}

TEST_F(Editing, WritesStringsAndUuidInPlaceAndNothingElse) {
    view.type(DmiEdit::Edit3, "M");
    view.type(DmiEdit::Edit6, "0123456789");
    view.clickSelector(3);
    view.type(DmiEdit::Edit6, "TAG");
    view.clickSelector(1);
    view.type(DmiEdit::Edit7, "ffeeddccbbaa99887766554433221100");
    ASSERT_EQ(writeBack(), "");

    const DmiState& s = session.state;
    EXPECT_EQ(view.text(DmiEdit::Edit7), "FFEEDDCCBBAA99887766554433221100");
    EXPECT_EQ(uuidText(s.uuid), "FFEEDDCCBBAA99887766554433221100");
    EXPECT_EQ(bytesAt(s.signatureOffset + 53, 16), std::string("\xFF\xEE\xDD\xCC\xBB\xAA\x99\x88\x77\x66\x55\x44\x33\x22\x11\x00", 16));
    EXPECT_EQ(bytesAt(s.type1StringsOffset, 9), "M        ");
    const std::uint32_t serial = s.type1StringsOffset + 9 + 1 + 22 + 1 + 8 + 1;
    EXPECT_EQ(bytesAt(serial, 5), std::string("0123\0", 5));
    EXPECT_EQ(bytesAt(s.type3StringsOffset + 11 + 7 + 5, 6), std::string("TAG  \0", 6));

    std::size_t changed = 0;
    for (std::size_t i = 0; i < module.size(); ++i) changed += module[i] != session.workBuffer.bytes[i];
    // The UUID; "aker One" against 8 spaces (the space matches); "SER1"; "ASSET" against "TAG  ".
    EXPECT_EQ(changed, 16u + 7u + 4u + 5u);
}

TEST_F(Editing, PackRefusesAUuidThatIsNot32HexDigits) {
    const Uuid before = session.state.uuid;
    for (const char* text : {"0011223344556677889", "00112233445566778899AABBCCDDEEF", "00112233445566778899AABBCCDDEEFG",
                             "00112233445566778899AABBCCDDEEFF0"}) {
        view.type(DmiEdit::Edit7, text);
        EXPECT_EQ(writeBack(), messages::BadUuid) << text;
        EXPECT_EQ(session.state.uuid, before);
        EXPECT_EQ(session.workBuffer.bytes, module);
    }
}

TEST_F(Editing, PackAtType3KeepsTheUuidReadAtExtract) {
    view.clickSelector(3);
    ASSERT_EQ(writeBack(), "");
    EXPECT_EQ(session.state.uuid, spec.uuid);
    EXPECT_EQ(session.workBuffer.bytes, module);
}

TEST(UuidText, Byte0ComesFirstBothWays) {
    const Uuid uuid = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    EXPECT_EQ(uuidText(uuid), "00112233445566778899AABBCCDDEEFF");
    EXPECT_EQ(parseUuidText("00112233445566778899aabbccddeeff"), uuid);
    EXPECT_EQ(uuidRfc4122Text(uuid), "33221100-5544-7766-8899-aabbccddeeff");
}

}  // namespace
}  // namespace quarnel::dmi
