// The jobs users script, run as a user runs them: identity transfer from an
// SMBIOS table (dmidecode is the peer that writes the dump and reads the
// values back), a batch with broken rows, and diff with cmp's exit statuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "dmi/dmi_reader.h"
#include "dmi/dmi_session.h"
#include "image/image_fixtures.h"
#include "image/rom_image.h"
#include "platform/image_files.h"
#include "sample/sample_dmi_module.h"
#include "support/test_files.h"

namespace quarnel::test {
namespace {

namespace fs = std::filesystem;
constexpr char Dmidecode[] = "/usr/sbin/dmidecode";

// One SMBIOS structure: header, formatted area, string-set.
std::vector<std::uint8_t> structure(std::uint8_t type, std::vector<std::uint8_t> formatted,
                                    std::vector<std::string> strings) {
    std::vector<std::uint8_t> s = {type, static_cast<std::uint8_t>(4 + formatted.size()), type, 0};
    for (const std::uint8_t b : formatted) s.push_back(b);
    for (const std::string& text : strings) {
        for (const char c : text) s.push_back(static_cast<std::uint8_t>(c));
        s.push_back(0);
    }
    if (strings.empty()) s.push_back(0);
    s.push_back(0);
    return s;
}

// A machine whose strings are stored in another order than their fields:
// type 1 names its strings 4, 3, 2, 1; type 3 names 1, 2, 4, 3.
std::vector<std::uint8_t> machineTable(bool withChassis) {
    std::vector<std::uint8_t> type1 = {4, 3, 2, 1};
    for (std::uint8_t b = 0x10; b < 0x20; ++b) type1.push_back(b);
    type1.push_back(6);
    std::vector<std::uint8_t> table = structure(
        1, type1, {"SER-OLD-1", "Ver 9", "Old Product Name Too Long", "Old Maker Ltd"});
    if (withChassis) {
        const auto type3 = structure(3, {1, 3, 2, 4, 3, 3, 3, 3, 3}, {"Old Case Co", "CV 2", "AT-OLD-9", "CH-OLD-9"});
        table.insert(table.end(), type3.begin(), type3.end());
    }
    const auto end = structure(127, {}, {});
    table.insert(table.end(), end.begin(), end.end());
    return table;
}

// Memory as dmidecode -d reads it: the table at 0xE0000 and an SMBIOS 2.5
// entry point at 0xF0000, where dmidecode scans for one.
std::vector<std::uint8_t> memoryImage(const std::vector<std::uint8_t>& table) {
    std::vector<std::uint8_t> memory(0x100000, 0);
    std::copy(table.begin(), table.end(), memory.begin() + 0xE0000);
    std::uint8_t* ep = memory.data() + 0xF0000;
    std::memcpy(ep, "_SM_", 4);
    ep[5] = 0x1F, ep[6] = 2, ep[7] = 5, ep[8] = 0x40;
    std::memcpy(ep + 0x10, "_DMI_", 5);
    ep[0x16] = static_cast<std::uint8_t>(table.size()), ep[0x17] = static_cast<std::uint8_t>(table.size() >> 8);
    ep[0x1A] = 0x0E, ep[0x1C] = 3, ep[0x1E] = 0x25;
    auto checksum = [](std::uint8_t* from, int length) {
        std::uint8_t sum = 0;
        for (int i = 0; i < length; ++i) sum = static_cast<std::uint8_t>(sum + from[i]);
        return static_cast<std::uint8_t>(-sum);
    };
    ep[0x15] = checksum(ep + 0x10, 0x0F);
    ep[4] = checksum(ep, 0x1F);
    return memory;
}

class JobsCli : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(run("sample " + path("s.rom")).status, 0); }
    CommandRun run(const std::string& arguments) { return runCommand(shellQuoted(QUARNEL_CLI) + " " + arguments); }
    std::string path(const std::string& name) const { return shellQuoted((dir.path() / name).string()); }
    dmi::DmiState fieldsOf(const std::string& name) const {
        image::RomImage rom;
        EXPECT_TRUE(platform::loadImage(rom, (dir.path() / name).string()).ok()) << name;
        const image::ModuleEntry* module = image::findModule(rom, dmi::DmiModuleId, 0, 0);
        return module ? dmi::readDmiModule(module->data).state : dmi::DmiState{};
    }
    void write(const std::string& name, const std::string& text) { std::ofstream(dir.path() / name) << text; }

    TempDir dir;
};

TEST_F(JobsCli, FromDumpTakesEveryFieldThroughItsStringNumber) {
    if (!fs::exists(Dmidecode)) GTEST_SKIP() << "dmidecode is not installed";
    ASSERT_TRUE(writeFile(dir.path() / "memory.bin", memoryImage(machineTable(true))));
    ASSERT_TRUE(writeFile(dir.path() / "raw.bin", machineTable(true)));
    ASSERT_TRUE(writeFile(dir.path() / "raw-no-chassis.bin", machineTable(false)));
    ASSERT_EQ(runCommand(std::string(Dmidecode) + " --no-sysfs -d " + path("memory.bin") + " --dump-bin " +
                         path("dmidecode.bin")).status, 0);

    // What dmidecode, reading the same table by the SMBIOS rules, says.
    auto peer = [&](const char* keyword) {
        std::string value = runCommand(std::string(Dmidecode) + " --from-dump " + path("dmidecode.bin") + " -s " +
                                       keyword).out;
        return value.substr(0, value.find('\n'));
    };
    const dmi::DmiState sample = fieldsOf("s.rom");
    std::array<std::string, 4> type1, type3;
    const char* const type1Keys[] = {"system-manufacturer", "system-product-name", "system-version", "system-serial-number"};
    const char* const type3Keys[] = {"chassis-manufacturer", "chassis-version", "chassis-serial-number", "chassis-asset-tag"};
    for (std::size_t row = 0; row < 4; ++row) {
        type1[row] = peer(type1Keys[row]);
        type3[row] = peer(type3Keys[row]);
    }
    ASSERT_EQ(type1[0], "Old Maker Ltd");
    const dmi::Uuid dumpUuid = {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17,
                                0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F};

    const struct {
        const char* name;
        std::string arguments;
        bool chassisTaken;
        const char* note;
    } cases[] = {
        {"dmidecode's dump", "--from-dump " + path("dmidecode.bin"), true, "system-product-name"},
        {"raw sysfs table", "--from-dump " + path("raw.bin"), true, "system-product-name"},
        {"no chassis structure", "--from-dump " + path("raw-no-chassis.bin"), false, "no type 3 structure"},
    };
    for (const auto& c : cases) {
        const CommandRun r = run("pack " + path("s.rom") + " -o " + path("out.rom") + " " + c.arguments);
        ASSERT_EQ(r.status, 0) << c.name << ": " << r.err;
        EXPECT_NE((r.err + r.out).find(c.note), std::string::npos) << c.name << ": " << r.err;
        const dmi::DmiState out = fieldsOf("out.rom");
        for (std::size_t row = 0; row < 4; ++row) {
            EXPECT_EQ(out.type1Fields[row].text, type1[row]) << c.name << " type 1 row " << row + 1;
            EXPECT_EQ(out.type3Fields[row].text, c.chassisTaken ? type3[row] : sample.type3Fields[row].text)
                << c.name << " type 3 row " << row + 1;
        }
        EXPECT_EQ(out.uuid, dumpUuid) << c.name;
    }

    // Typed options override single values of the dump.
    ASSERT_EQ(run("pack " + path("s.rom") + " -o " + path("out.rom") + " --from-dump " + path("dmidecode.bin") +
                  " --type1 4=TYPED --uuid 00112233445566778899aabbccddeeff").status, 0);
    const dmi::DmiState out = fieldsOf("out.rom");
    EXPECT_EQ(out.type1Fields[3].text, "TYPED");
    EXPECT_EQ(out.type1Fields[0].text, type1[0]);
    EXPECT_EQ(out.uuid[15], 0xFF);
}

TEST_F(JobsCli, BatchWritesEveryGoodRowAndNamesTheLinesOfTheBrokenOnes) {
    std::string csv = "output,type1.4,type3.3,uuid\n";
    for (int k = 1; k <= 50; ++k) {
        const std::string n = std::to_string(k);
        csv.append("m").append(n).append(".rom,\"SN-");
        csv.append(k == 30 ? std::string("\xCE\xA9") : std::to_string(1000 + k));  // Omega: not Latin-1
        csv.append("\",\"CH, ").append(n).append("\",");
        csv.append(k == 10 ? std::string("not-a-uuid") : "00112233445566778899AABBCCDDEE" + std::to_string(10 + k));
        csv.append("\n");
    }
    write("rows.csv", csv);
    const CommandRun r = run("pack " + path("s.rom") + " --batch " + path("rows.csv") + " --out-dir " + path("out"));
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.out.find("50 rows: 48 written, 2 failed"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("line 11 (m10.rom)"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 31 (m30.rom)"), std::string::npos) << r.err;
    for (int k = 1; k <= 50; ++k) {
        char name[16];
        std::snprintf(name, sizeof name, "m%d.rom", k);
        EXPECT_EQ(fs::exists(dir.path() / "out" / name), k != 10 && k != 30) << name;
    }

    // Each image is the one a separate pack writes.
    ASSERT_EQ(run("pack " + path("s.rom") + " -o " + path("single.rom") +
                  " --type1 4=SN-1007 --type3 \"3=CH, 7\" --uuid 00112233445566778899AABBCCDDEE17").status, 0);
    EXPECT_EQ(readFile(dir.path() / "out" / "m7.rom"), readFile(dir.path() / "single.rom"));
    EXPECT_EQ(fieldsOf("out/m50.rom").type1Fields[3].text, "SN-1050");
}

TEST_F(JobsCli, BatchFileWithAFaultIsRefusedBeforeAnythingIsWritten) {
    const struct {
        const char* csv;
        const char* message;
    } cases[] = {
        {"output,type1.7\na.rom,x\n", "line 1: unknown column \"type1.7\""},
        {"output,uuid\na.rom,\nb.rom,\n./a.rom,\n", "line 4: the output \"./a.rom\" is already written by line 2"},
        {"output\n../a.rom\n", "line 2: the output \"../a.rom\" must be a relative name"},
        {"type1.1\nx\n", "no \"output\" column"},
    };
    for (const auto& c : cases) {
        write("rows.csv", c.csv);
        const CommandRun r = run("pack " + path("s.rom") + " --batch " + path("rows.csv") + " --out-dir " + path("out"));
        EXPECT_EQ(r.status, 2) << c.csv;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir.path() / "out")) << c.csv;
    }
    const std::vector<std::uint8_t> input = readFile(dir.path() / "s.rom");
    write("rows.csv", "output\nnew.rom\ns.rom\n");
    const CommandRun r = run("pack " + path("s.rom") + " --batch " + path("rows.csv") + " --out-dir " + path(""));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("line 3: the output \"s.rom\" would overwrite the input"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir.path() / "new.rom"));
    EXPECT_EQ(readFile(dir.path() / "s.rom"), input);
}

TEST_F(JobsCli, DiffOfAPackShowsExactlyTheEditedFields) {
    ASSERT_EQ(run("pack " + path("s.rom") + " -o " + path("new.rom") +
                  " --type1 1=ACME --type3 3=CH-9 --uuid 00112233445566778899AABBCCDDEEFF").status, 0);
    const CommandRun r = run("diff " + path("s.rom") + " " + path("new.rom") + " --json");
    ASSERT_EQ(r.status, 1) << r.err;
    const nlohmann::json diff = nlohmann::json::parse(r.out);
    const nlohmann::json expected = nlohmann::json::parse(R"([
        {"type": 1, "row": 1, "old": "Northwind Computers Inc.", "new": "ACME"},
        {"type": 3, "row": 3, "old": "CH-0042-7781", "new": "CH-9"}])");
    EXPECT_EQ(diff["dmiFields"], expected);
    EXPECT_EQ(diff["uuid"]["old"], "A36F1E529B04D2118C41001E8C3D7A95");
    EXPECT_EQ(diff["uuid"]["new"], "00112233445566778899AABBCCDDEEFF");
    ASSERT_EQ(diff["modules"].size(), 1u) << diff["modules"];
    EXPECT_EQ(diff["modules"][0]["moduleId"], 6);
    EXPECT_EQ(diff["modules"][0]["contentsEqual"], false);
    EXPECT_TRUE(diff["a"]["checksumsSound"]);
    EXPECT_TRUE(diff["b"]["checksumsSound"]);
    EXPECT_EQ(diff["a"]["directoryVersion"], diff["b"]["directoryVersion"]);
}

TEST_F(JobsCli, DiffOfUnrelatedImagesPairsModulesByKey) {
    ASSERT_TRUE(writeFile(dir.path() / "other.rom", MixedChain().file));
    const CommandRun r = run("diff " + path("s.rom") + " " + path("other.rom") + " --json");
    ASSERT_EQ(r.status, 1) << r.err;
    const nlohmann::json diff = nlohmann::json::parse(r.out);
    std::set<std::string> kinds;
    for (const auto& m : diff["modules"]) kinds.insert(m["change"].get<std::string>());
    EXPECT_EQ(kinds, (std::set<std::string>{"added", "removed", "changed"}));
    EXPECT_NE(diff["dmiNote"].get<std::string>().find("other.rom"), std::string::npos);
    EXPECT_FALSE(diff["outsideChain"].empty());
}

TEST_F(JobsCli, DiffExitsAsCmpDoes) {
    ASSERT_EQ(run("pack " + path("s.rom") + " -o " + path("new.rom") + " --type1 2=X").status, 0);
    const struct {
        std::string arguments;
        int status;
    } cases[] = {
        {"diff " + path("s.rom") + " " + path("s.rom"), 0},
        {"diff " + path("s.rom") + " " + path("new.rom"), 1},
        {"diff " + path("s.rom"), 2},
        {"diff " + path("s.rom") + " " + path("absent.rom"), 4},
    };
    for (const auto& c : cases) EXPECT_EQ(run(c.arguments).status, c.status) << c.arguments;
}

TEST_F(JobsCli, TypedTextIsLatin1AndAnEmptyUuidIsAUsageError) {
    const struct {
        std::string option;
        int status;
        const char* heldOrMessage;
    } cases[] = {
        {"--type1 \"1=a\xC3\xA9\xC3\xA9\"", 0, "a\xE9\xE9"},
        {"--type1 \"3=\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\"", 0, "\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9"},
        {"--type1 \"1=\xC4\x81\"", 2, "U+0101"},
        {"--type1 \"1=a\tb\"", 2, "control character (code 9)"},
        {"--type3 \"1=\x7F\"", 2, "control character (code 127)"},
        {"--type1 \"1=\xC3\"", 2, "not UTF-8"},
        {"--uuid \"\"", 2, "--uuid: \"\" is no UUID"},
        {"--type1 \"3=\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\" --keep-lengths", 0, "\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9"},
    };
    for (const auto& c : cases) {
        fs::remove(dir.path() / "out.rom");
        const CommandRun r = run("pack " + path("s.rom") + " -o " + path("out.rom") + " " + c.option);
        EXPECT_EQ(r.status, c.status) << c.option << ": " << r.err;
        if (c.status != 0) {
            EXPECT_NE(r.err.find(c.heldOrMessage), std::string::npos) << r.err;
            EXPECT_FALSE(fs::exists(dir.path() / "out.rom"));
            continue;
        }
        const dmi::DmiState out = fieldsOf("out.rom");
        const std::string& held = c.option[9] == '1' ? out.type1Fields[0].text : out.type1Fields[2].text;
        EXPECT_EQ(held.substr(0, std::strlen(c.heldOrMessage)), c.heldOrMessage) << c.option;
    }
    const CommandRun cut = run("pack " + path("s.rom") + " -o " + path("out.rom") + " " + cases[7].option);
    EXPECT_NE(cut.err.find("holds 8 characters: \"\xC3\xA9"), std::string::npos) << cut.err;
    EXPECT_NE(cut.err.find("(9 characters)"), std::string::npos) << cut.err;
    EXPECT_NE(run("pack --help").out.find("Repeat the option"), std::string::npos);
}

}  // namespace
}  // namespace quarnel::test
