// The readers behind the jobs, on inputs the command-line tests don't
// reach: SMBIOS tables that lack what is asked of them, CSV quoting and line
// numbers, and the edit rules the window relies on.
#include <gtest/gtest.h>

#include "dmi/batch_rows.h"
#include "dmi/dmi_edit.h"
#include "dmi/smbios_identity.h"

namespace quarnel::dmi {
namespace {

std::vector<std::uint8_t> bytes(std::initializer_list<int> list) {
    std::vector<std::uint8_t> out;
    for (int b : list) out.push_back(static_cast<std::uint8_t>(b));
    return out;
}

std::string joined(const std::vector<std::string>& notes) {
    std::string all;
    for (const std::string& note : notes) all += note + "\n";
    return all;
}

TEST(SmbiosIdentity, ValuesTheTableCantGiveAreLeftWithANote) {
    const struct {
        const char* name;
        std::vector<std::uint8_t> table;
        std::size_t fields;
        bool uuid;
        const char* note;
    } cases[] = {
        // Type 1 of SMBIOS 2.0 (no UUID), its serial number naming string 0.
        {"no UUID, string 0", bytes({1, 8, 0, 0, 1, 1, 1, 0, 'A', 0, 0, 127, 4, 0, 0, 0, 0}), 3, false,
         "serial number (row 4): names string 0"},
        {"string past the set", bytes({1, 8, 0, 0, 1, 2, 1, 1, 'A', 0, 0, 127, 4, 0, 0, 0, 0}), 3, false,
         "names string 2, which the structure does not have"},
        {"type 3 too short for the asset tag", bytes({3, 8, 0, 0, 1, 3, 1, 1, 'C', 0, 0}), 3, false,
         "asset tag (row 4): the structure is too short"},
        {"cut inside a string-set", bytes({3, 9, 0, 0, 1, 3, 1, 1, 1, 'C', 0, 0, 1, 8, 0, 0, 1, 1, 1, 1, 'X'}), 4,
         false, "the table ends inside the structure at offset 12"},
    };
    for (const auto& c : cases) {
        DmiEdits edits;
        std::vector<std::string> notes;
        ASSERT_TRUE(identityFromTable(c.table, edits, notes).ok()) << c.name;
        EXPECT_EQ(edits.fields.size(), c.fields) << c.name;
        EXPECT_EQ(edits.uuid.has_value(), c.uuid) << c.name;
        EXPECT_NE(joined(notes).find(c.note), std::string::npos) << c.name << ":\n" << joined(notes);
    }
}

TEST(SmbiosIdentity, RefusesWhatIsNoTable) {
    const std::vector<std::uint8_t> entryPointOnly = bytes({'_', 'S', 'M', '3', '_', 0, 0x18, 3, 0, 0, 0, 0, 0x40, 0,
                                                            0, 0, 0, 0, 0, 1, 0, 0, 0, 0});
    for (const auto& file : {std::vector<std::uint8_t>{}, bytes({0xFF, 2, 0, 0}), entryPointOnly}) {
        DmiEdits edits;
        std::vector<std::string> notes;
        EXPECT_EQ(identityFromTable(file, edits, notes).outcome, Outcome::BadData) << file.size();
    }
}

TEST(BatchRows, QuotedCellsKeepCommasQuotesAndLineEndsAndRowsKeepTheirLines) {
    std::vector<BatchRow> rows;
    ASSERT_TRUE(readBatchRows("output,type1.1,uuid\r\n\"a.rom\",\"x, \"\"y\"\"\nz\",\n\nb.rom,,0A\r\n", rows).ok());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].line, 2u);
    ASSERT_EQ(rows[0].fields.size(), 1u);
    EXPECT_EQ(rows[0].fields[0].text, "x, \"y\"\nz");
    EXPECT_FALSE(rows[0].uuidText);
    EXPECT_EQ(rows[1].line, 5u);
    EXPECT_TRUE(rows[1].fields.empty());
    EXPECT_EQ(rows[1].uuidText, "0A");

    EXPECT_EQ(readBatchRows("output\n\"a.rom\n", rows).message, "line 2: a quote is never closed");
    EXPECT_EQ(readBatchRows("output,uuid\na.rom,1,2\n", rows).message, "line 2: the row has 3 cells, the header 2");
}

TEST(FieldEdit, ControlCharactersOnlyWhereTheFieldAlreadyHoldsThem) {
    DmiState state;
    state.type1Fields[0] = {std::string("A\x01" "B"), 3, 1, true, {}};
    // The window copies a shown field back into itself: unchanged, accepted.
    EXPECT_TRUE(applyFieldEdit(state, 1, 1, "A\x01" "B").ok());
    EXPECT_TRUE(applyFieldEdit(state, 1, 1, "Z\x01").ok());
    EXPECT_EQ(state.type1Fields[0].text, "Z\x01 ");
    EXPECT_FALSE(applyFieldEdit(state, 1, 1, "\x01").ok());
    EXPECT_EQ(state.type1Fields[0].text, "Z\x01 ");
    // Type 2 is shown only in the window; it has five rows.
    EXPECT_TRUE(applyFieldEdit(state, 2, 1, "x").ok());
    std::vector<std::string> notes;
    EXPECT_FALSE(applyEdits(state, {{{2, 6, "x"}}, std::nullopt}, notes).ok());
}

}  // namespace
}  // namespace quarnel::dmi
