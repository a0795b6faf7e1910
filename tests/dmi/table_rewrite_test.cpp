// Writing fields into module 6's table on small synthetic tables: strings
// shared by two fields, fields that name no string, numbers out of order,
// strings that leave the set, a table that outgrows the module, and a
// module without the "_AMIDMI_" header.
#include <gtest/gtest.h>

#include "dmi/dmi_edit.h"
#include "dmi/dmi_module_table.h"
#include "dmi/dmi_reader.h"
#include "dmi/smbios_structure.h"

namespace quarnel::dmi {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;

struct Layout {
    bool header = true;
    std::size_t room = 256;  // zero bytes behind the table
    Bytes type1 = {1, 2, 3, 4, 5, 6};  // manufacturer to serial number, SKU number, family
    Strings type1Strings = {"Maker", "Prod", "V1", "SER", "SKU", "FAM"};
    Bytes type2 = {1, 2, 3, 4, 5};  // manufacturer to asset tag
    Strings type2Strings = {"BMaker", "Board", "B1", "BSER"};
    Bytes type3 = {1, 2, 3, 4};  // manufacturer, version, serial number, asset tag
    Strings type3Strings = {"CMaker", "CV", "CSER", "CTAG"};
};

void put(Bytes& out, std::uint8_t type, const Bytes& formatted, const Strings& strings) {
    out.insert(out.end(), {type, static_cast<std::uint8_t>(4 + formatted.size()), type, 0});
    out.insert(out.end(), formatted.begin(), formatted.end());
    for (const std::string& s : strings) out.insert(out.end(), s.begin(), s.end()), out.push_back(0);
    if (strings.empty()) out.push_back(0);
    out.push_back(0);
}

// Types 0 to 3 and 127 as the BIOS lays them out (the type-1 header 45
// bytes after the vendor string), behind the header or a prefix of zeros.
Bytes module(const Layout& l) {
    Bytes m = l.header ? Bytes{'_', 'A', 'M', 'I', 'D', 'M', 'I', '_', 3, 2, 1, 1, 0, 0, 0, 0} : Bytes(16, 0);
    put(m, 0, {1, 2, 0, 0xF0, 3, 7, 0x80, 0x98, 0x8B, 0x3F, 0, 0, 0, 0, 0x33, 0x05},
        {"American Megatrends", "0123456789AB", "06/30/2008"});
    const Bytes& t1 = l.type1;
    put(m, 1, {t1[0], t1[1], t1[2], t1[3], 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 6, t1[4], t1[5]},
        l.type1Strings);
    const Bytes& t2 = l.type2;
    put(m, 2, {t2[0], t2[1], t2[2], t2[3], t2[4], 0x09, 0, 0x03, 0, 0x0A, 0}, l.type2Strings);
    const Bytes& t3 = l.type3;
    put(m, 3, {t3[0], 3, t3[1], t3[2], t3[3], 3, 3, 3, 3, 0, 0, 0, 0, 0, 0, 0, 0}, l.type3Strings);
    put(m, 127, {}, {});
    if (l.header) m[13] = static_cast<std::uint8_t>(m.size()), m[14] = static_cast<std::uint8_t>(m.size() >> 8);
    m.resize(m.size() + l.room, 0);
    return m;
}

// The strings of the table's first structure of that type.
Strings stringsOf(const Bytes& m, std::uint8_t type) {
    const SmbiosWalk walk = walkStructures(std::span(m).subspan(16));
    const SmbiosStructure* s = firstOfType(walk, type);
    return s ? s->strings : Strings{};
}

TEST(TableRewrite, EachFieldGetsExactlyItsTextAndTheSetOnlyWhatItNeeds) {
    const struct {
        const char* name;
        Layout layout;
        std::vector<FieldEdit> edits;
        std::vector<FieldEdit> readBack;  // type, row and the text read back
        std::uint8_t type;                                         // whose string-set is checked
        Strings strings;
        const char* refusal = nullptr;
    } cases[] = {
        {"a shared string stays the other field's", {.type1 = {1, 2, 3, 4, 1, 0}}, {{1, 1, "New Maker Ltd"}},
         {{1, 1, "New Maker Ltd"}, {1, 5, "Maker"}, {1, 6, ""}}, 1,
         {"Maker", "Prod", "V1", "SER", "SKU", "FAM", "New Maker Ltd"}},
        {"a field naming no string gets one", {.type1 = {1, 2, 3, 4, 5, 0}}, {{1, 6, "Family X"}},
         {{1, 6, "Family X"}, {1, 5, "SKU"}}, 1, {"Maker", "Prod", "V1", "SER", "SKU", "FAM", "Family X"}},
        {"numbers out of order", {.type3 = {4, 3, 2, 1}}, {{3, 3, "SERIAL-2"}},
         {{3, 1, "CTAG"}, {3, 2, "CSER"}, {3, 3, "SERIAL-2"}, {3, 4, "CMaker"}}, 3,
         {"CMaker", "SERIAL-2", "CSER", "CTAG"}},
        {"an emptied string leaves and the numbers after it follow", {}, {{1, 3, ""}},
         {{1, 3, ""}, {1, 4, "SER"}, {1, 6, "FAM"}}, 1, {"Maker", "Prod", "SER", "SKU", "FAM"}},
        {"an emptied shared string stays for the other field", {.type1 = {1, 2, 3, 4, 1, 6}}, {{1, 5, ""}},
         {{1, 1, "Maker"}, {1, 5, ""}}, 1, {"Maker", "Prod", "V1", "SER", "SKU", "FAM"}},
        {"two fields of one string edited apart", {.type2 = {1, 2, 3, 4, 4}}, {{2, 4, "BS-1"}, {2, 5, "TAG-1"}},
         {{2, 4, "BS-1"}, {2, 5, "TAG-1"}}, 2, {"BMaker", "Board", "B1", "TAG-1", "BS-1"}},
        {"a base board asset tag past the set", {.type2 = {1, 2, 3, 4, 9}}, {{2, 5, "T"}}, {}, 2, {},
         "names string 9, but its structure has 4"},
        {"a table that outgrows the module", {.room = 10}, {{1, 4, "SERIAL-NUMBER-LONG"}}, {}, 1, {},
         "5 bytes are missing"},
        {"without the header, another length", {.header = false}, {{1, 4, "SERIAL"}}, {}, 1, {},
         "no \"_AMIDMI_\" header"},
        {"without the header, the same length", {.header = false}, {{1, 4, "S-9"}}, {{1, 4, "S-9"}}, 1,
         {"Maker", "Prod", "V1", "S-9", "SKU", "FAM"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes before = module(c.layout);
        DmiReadResult read = readDmiModule(before);
        ASSERT_TRUE(read.problems.empty()) << read.problems.front();
        DmiWorkBuffer buffer{before};
        std::vector<std::string> notes;
        Result r = applyEdits(read.state, {c.edits, std::nullopt}, notes);
        if (r.ok()) r = writeBackDmi(read.state, buffer, std::nullopt);
        if (c.refusal) {
            EXPECT_NE(r.message.find(c.refusal), std::string::npos) << r.message;
            EXPECT_EQ(buffer.bytes, before);
            continue;
        }
        ASSERT_TRUE(r.ok()) << r.message;
        ASSERT_EQ(buffer.bytes.size(), before.size());
        EXPECT_EQ(stringsOf(buffer.bytes, c.type), c.strings);
        const DmiState after = readDmiModule(buffer.bytes).state;
        for (const FieldEdit& at : c.readBack) {
            const DmiFields& fields = at.type == 1 ? after.type1Fields : at.type == 2 ? after.type2Fields : after.type3Fields;
            EXPECT_EQ(fields[static_cast<std::size_t>(at.row - 1)].text, at.text) << at.type << "." << at.row;
        }
        ModuleTable table;
        ASSERT_TRUE(locateModuleTable(buffer.bytes, read.state.signatureOffset, table).ok());
        EXPECT_EQ(table.resizable, c.layout.header) << table.fixedReason;
    }
}

// --keep-lengths: every string keeps its length and its place, whatever the
// module allows, so only the edited bytes change.
TEST(TableRewrite, KeptLengthsChangeOnlyTheEditedBytes) {
    const Bytes before = module({});
    DmiReadResult read = readDmiModule(before);
    DmiWorkBuffer buffer{before};
    std::vector<std::string> notes;
    ASSERT_TRUE(applyEdits(read.state, {{{1, 4, "LONGER SERIAL"}, {3, 2, ""}}, std::nullopt, true}, notes).ok());
    ASSERT_TRUE(writeBackDmi(read.state, buffer, std::nullopt).ok());
    std::size_t changed = 0;
    for (std::size_t i = 0; i < before.size(); ++i) changed += before[i] != buffer.bytes[i];
    EXPECT_EQ(changed, 3u + 2u);  // "SER" -> "LON", "CV" -> "  "
    EXPECT_EQ(stringsOf(buffer.bytes, 3)[1], "  ");
    EXPECT_NE(notes.front().find("was cut to \"LON\""), std::string::npos) << notes.front();
}

}  // namespace
}  // namespace quarnel::dmi

namespace quarnel::dmi {
namespace {

// An identity from elsewhere that names a field this module can't set
// leaves that field alone, with a note, rather than failing the whole pack.
TEST(TableRewrite, IdentityFieldsTheModuleCantSetAreLeftOutWithANote) {
    Layout layout;
    layout.type2 = {1, 2, 3, 4, 9};
    DmiReadResult read = readDmiModule(module(layout));
    DmiEdits edits{{{2, 4, "BS-9", true}, {2, 5, "TAG-9", true}}, std::nullopt};
    std::vector<std::string> notes;
    dropUnsettable(read.state, edits, notes);
    ASSERT_EQ(edits.fields.size(), 1u);
    EXPECT_EQ(edits.fields[0].row, 4);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("asset tag (row 5) names string 9"), std::string::npos) << notes[0];
}

}  // namespace
}  // namespace quarnel::dmi
