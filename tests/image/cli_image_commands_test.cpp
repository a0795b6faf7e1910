// The image commands of quarnel-cli, run as a user runs them: exit statuses,
// files written and the JSON of "modules".
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "image/image_fixtures.h"
#include "support/test_files.h"

namespace quarnel::test {
namespace {

class CliImageCommands : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(writeFile(dir.path() / "bios.rom", chain.file)); }
    CommandRun run(const std::string& arguments) { return runCommand(shellQuoted(QUARNEL_CLI) + " " + arguments); }
    std::string path(const char* name) const { return shellQuoted((dir.path() / name).string()); }

    TempDir dir;
    MixedChain chain{2, test::ChainLayout::AsRebuilt};
};

TEST_F(CliImageCommands, ModulesJsonListsTheChainWithItsNumbers) {
    const CommandRun r = run("modules " + path("bios.rom") + " --json");
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json report = nlohmann::json::parse(r.out);
    // The fixture's version bytes are fill, which behaves as 0800.
    EXPECT_EQ(report.at("directoryVersion"), std::string(chain.file.begin() + test::FixtureDirectory + 8,
                                                         chain.file.begin() + test::FixtureDirectory + 12));
    const nlohmann::json& rows = report.at("modules");
    ASSERT_EQ(rows.size(), chain.modules.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const nlohmann::json& row = rows[i];
        for (const char* key : {"index", "moduleId", "flags", "subId1", "subId2", "dataSize", "size", "headerOffset"})
            EXPECT_TRUE(row.at(key).is_number_unsigned()) << key;
        EXPECT_TRUE(row.at("compressed").is_boolean());
        EXPECT_EQ(row["index"], i);
        EXPECT_EQ(row["moduleId"], chain.modules[i].moduleId);
        EXPECT_EQ(row["headerOffset"], chain.modules[i].headerOffset);
        EXPECT_EQ(row["dataSize"], chain.modules[i].dataArea.size());
    }
    EXPECT_EQ(rows[0]["size"], chain.contents[0].size());
    EXPECT_EQ(rows[1]["compressed"], false);
    EXPECT_EQ(rows[5]["subId1"], 1);
    EXPECT_EQ(rows[5]["subId2"], 2);
}

TEST_F(CliImageCommands, VerifyPassesASoundImageAndNamesEachFault) {
    EXPECT_EQ(run("verify " + path("bios.rom")).status, 0);

    std::vector<std::uint8_t> broken = chain.file;
    broken[chain.modules[1].headerOffset + 12] ^= 1;  // stored data: block checksum
    broken[FixtureDirectory + 14] ^= 1;               // directory checksum
    ASSERT_TRUE(writeFile(dir.path() / "broken.rom", broken));
    const CommandRun r = run("verify " + path("broken.rom"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Module 1"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("directory checksum"), std::string::npos) << r.out;
}

TEST_F(CliImageCommands, ExtractWritesPlainContentsAndTakesHexOrDecimalKeys) {
    ASSERT_EQ(run("extract " + path("bios.rom") + " 0x06 -o " + path("dmi.bin")).status, 0);
    EXPECT_EQ(readFile(dir.path() / "dmi.bin"), chain.contents[0]);
    ASSERT_EQ(run("extract " + path("bios.rom") + " 6 1 0x2 -o " + path("other.bin")).status, 0);
    EXPECT_EQ(readFile(dir.path() / "other.bin"), chain.contents[5]);
    EXPECT_EQ(run("extract " + path("bios.rom") + " 0x77 -o " + path("none.bin")).status, 1);
}

TEST_F(CliImageCommands, ReplaceAndRebuildWriteImagesThatLoadBack) {
    const std::vector<std::uint8_t> contents = seabiosCode(3000, 70000);
    ASSERT_TRUE(writeFile(dir.path() / "new.bin", contents));
    ASSERT_EQ(run("replace " + path("bios.rom") + " 6 0 0 " + path("new.bin") + " -o " + path("new.rom")).status, 0);
    ASSERT_EQ(run("extract " + path("new.rom") + " 6 -o " + path("back.bin")).status, 0);
    EXPECT_EQ(readFile(dir.path() / "back.bin"), contents);
    EXPECT_EQ(run("verify " + path("new.rom")).status, 0);

    ASSERT_EQ(run("rebuild " + path("bios.rom") + " -o " + path("same.rom")).status, 0);
    EXPECT_EQ(readFile(dir.path() / "same.rom").size(), chain.file.size());
    EXPECT_EQ(run("verify " + path("same.rom")).status, 0);
}

TEST_F(CliImageCommands, ExitStatusesTellCantOpenFromBadDataFromUsage) {
    ASSERT_TRUE(writeFile(dir.path() / "plain.bin", std::vector<std::uint8_t>(1000, 0)));
    const struct {
        std::string arguments;
        int status;
    } cases[] = {
        {"modules " + path("missing.rom"), 4},
        {"rebuild " + path("missing.rom") + " -o " + path("x.rom"), 4},
        {"extract " + path("bios.rom") + " 256 -o " + path("x.bin"), 2},
        {"extract " + path("bios.rom") + " 6 1 -o " + path("x.bin"), 2},
        {"replace " + path("bios.rom") + " 6 -o " + path("x.rom"), 2},
    };
    for (const auto& c : cases) EXPECT_EQ(run(c.arguments).status, c.status) << c.arguments;
    const CommandRun noDirectory = run("modules " + path("plain.bin"));
    EXPECT_EQ(noDirectory.status, 1);
    EXPECT_NE(noDirectory.err.find("No AMIBIOSC module directory"), std::string::npos) << noDirectory.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "x.rom"));
}

// Every command that reads an image says which directory generation it is.
TEST_F(CliImageCommands, ReadingCommandsReportTheDirectoryVersion) {
    ASSERT_EQ(run("sample " + path("sample.rom")).status, 0);
    const struct {
        std::string command;
        std::string shows;
    } cases[] = {
        {"modules", "Directory version 0800"},
        {"modules --json", "\"directoryVersion\": \"0800\""},
        {"verify", "directory version 0800"},
        {"dmi", "Directory version:     0800"},
        {"dmi --json", "\"directoryVersion\": \"0800\""},
    };
    for (const auto& c : cases) {
        const std::string verb = c.command.substr(0, c.command.find(' '));
        const std::string options = c.command.size() > verb.size() ? c.command.substr(verb.size()) : "";
        const CommandRun r = run(verb + " " + path("sample.rom") + options);
        EXPECT_EQ(r.status, 0) << c.command << ": " << r.err;
        EXPECT_NE(r.out.find(c.shows), std::string::npos) << c.command << ": " << r.out;
    }
}

}  // namespace
}  // namespace quarnel::test
