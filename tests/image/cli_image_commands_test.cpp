// The image commands of quarnel-cli, run as a user runs them: exit statuses,
// files written and the JSON of "modules".
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "image/image_fixtures.h"
#include "support/test_files.h"

namespace quarnel::test {
namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& text) { return "'" + text + "'"; }

class CliImageCommands : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(writeFile(rom, chain.file)); }

    CliRun run(const std::string& arguments) {
        const auto out = dir.path() / "stdout", err = dir.path() / "stderr";
        const std::string command = quoted(QUARNEL_CLI) + " " + arguments + " >" + quoted(out.string()) + " 2>" +
                                    quoted(err.string());
        const int raw = std::system(command.c_str());
        const auto text = [](const std::filesystem::path& p) {
            const std::vector<std::uint8_t> bytes = readFile(p);
            return std::string(bytes.begin(), bytes.end());
        };
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text(out), text(err)};
    }

    std::string path(const char* name) const { return quoted((dir.path() / name).string()); }

    TempDir dir;
    MixedChain chain;
    std::filesystem::path rom = dir.path() / "bios.rom";
};

TEST_F(CliImageCommands, ModulesJsonListsTheChainWithItsNumbers) {
    const CliRun r = run("modules " + path("bios.rom") + " --json");
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json rows = nlohmann::json::parse(r.out);
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
    const CliRun r = run("verify " + path("broken.rom"));
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
    EXPECT_EQ(run("modules " + path("missing.rom")).status, 4);
    EXPECT_EQ(run("rebuild " + path("missing.rom") + " -o " + path("x.rom")).status, 4);
    ASSERT_TRUE(writeFile(dir.path() / "plain.bin", std::vector<std::uint8_t>(1000, 0)));
    const CliRun noDirectory = run("modules " + path("plain.bin"));
    EXPECT_EQ(noDirectory.status, 1);
    EXPECT_NE(noDirectory.err.find("No AMIBIOSC module directory"), std::string::npos) << noDirectory.err;
    EXPECT_EQ(run("extract " + path("bios.rom") + " 256 -o " + path("x.bin")).status, 2);
    EXPECT_EQ(run("extract " + path("bios.rom") + " 6 1 -o " + path("x.bin")).status, 2);
    EXPECT_EQ(run("replace " + path("bios.rom") + " 6 -o " + path("x.rom")).status, 2);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "x.rom"));
}

}  // namespace
}  // namespace quarnel::test
