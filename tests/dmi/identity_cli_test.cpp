// The identity a technician writes, on every real image that takes DMI
// changes, as a user writes it: through quarnel-cli, read back by `dmi` and
// by dmidecode from `dmi --dump-bin`.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <set>

#include "dmi/dmi_module_table.h"
#include "dmi/identity_fields.h"
#include "image/module_chain.h"
#include "support/firmware_images.h"
#include "support/test_files.h"

namespace quarnel::test {
namespace {

namespace fs = std::filesystem;

// What today's build wrote for one set of edits with --keep-lengths, by the
// first 16 digits of the input's SHA-256: known-good outputs of the images
// the folder holds now. An image not listed is checked by the other rules.
const std::map<std::string, std::string> KeptLengthOutputs = {
    {"e22d406ae7187796", "ff81a9d2378d527a1d9f7e73f5363ad6e3339c3a5d3dd5cbb1457b29e8b48484"},
    {"0e811f3f70d47c47", "bebf4748d4a9db085d0fa61e9d96d908f414d5da835742054ab7db848e0c607a"},
    {"0ca5c47c8fcf24b1", "ebfb6b90258eefcc9d28491be206959280d177e230a7936f2f6b4d48f0f498ca"},
};
constexpr char KeptLengthEdits[] = "--keep-lengths --type1 \"1=Quarnel Test Maker Co.\" --type1 4=SN1234567890 "
                                   "--type3 2=V2 --type3 4=ASSET-77 --uuid 00112233445566778899AABBCCDDEEFF";

class RealIdentity : public testing::Test {
protected:
    void SetUp() override {
        images = firmwareImages();
        if (images.empty()) GTEST_SKIP() << "no real firmware in " << firmwareFolder();
        if (runCommand("dmidecode --version").status != 0) GTEST_SKIP() << "dmidecode is not installed";
        std::erase_if(images, [&](const Firmware& image) {
            writeFile(dir.path() / "probe.rom", image.bytes);
            return run("dmi " + path("probe.rom")).status != 0;  // no module 6 that takes changes
        });
        if (images.empty()) GTEST_SKIP() << "no real image that takes DMI changes";
    }
    CommandRun run(const std::string& arguments) { return runCommand(shellQuoted(QUARNEL_CLI) + " " + arguments); }
    std::string path(const std::string& name) const { return shellQuoted((dir.path() / name).string()); }
    std::string sha256(const std::string& name) {
        return runCommand("sha256sum < " + path(name)).out.substr(0, 64);
    }
    // Every field as dmidecode -s reads it from the image's dump, and the UUID.
    std::map<std::string, std::string> peerFields(const std::string& name) {
        EXPECT_EQ(run("dmi " + path(name) + " --dump-bin " + path("dump.bin")).status, 0);
        std::map<std::string, std::string> fields;
        for (const dmi::IdentityField& field : dmi::IdentityFields) {
            const std::string out = runCommand("dmidecode --from-dump " + path("dump.bin") + " -s " + field.keyword).out;
            fields[field.keyword] = out.substr(0, out.find('\n'));
        }
        fields[dmi::UuidKeyword] = run("dmi " + path(name) + " -s system-uuid").out;
        return fields;
    }
    // Module 6 keeps its size, its header's end-of-table value is where the
    // table ends, and only zero bytes follow.
    void expectTableWhole(const std::string& name, std::size_t size) {
        ASSERT_EQ(run("extract " + path(name) + " 6 -o " + path("m6.bin")).status, 0);
        const std::vector<std::uint8_t> module = readFile(dir.path() / "m6.bin");
        EXPECT_EQ(module.size(), size);
        dmi::ModuleTable table;
        ASSERT_TRUE(dmi::locateModuleTable(module, 0, table).ok());
        EXPECT_TRUE(table.resizable) << table.fixedReason;
    }

    TempDir dir;
    std::vector<Firmware> images;
};

std::string randomText(std::mt19937& random, std::size_t length) {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 -.";
    std::string text(length, ' ');
    for (char& c : text) c = letters[random() % (sizeof letters - 1)];
    if (text.back() == ' ') text.back() = 'X';  // readers trim a string's trailing blanks
    if (text.front() == ' ') text.front() = 'X';
    return text;
}

std::string dashedUuid(std::mt19937& random) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (int i = 0; i < 32; ++i) text += std::string(i == 8 || i == 12 || i == 16 || i == 20 ? "-" : "") + digits[random() % 16];
    return text;
}

TEST_F(RealIdentity, EveryFieldIsWrittenExactlyOrRefusedWithNothingWritten) {
    std::mt19937 random(24);
    for (const Firmware& image : images) {
        SCOPED_TRACE(image.name);
        ASSERT_TRUE(writeFile(dir.path() / "in.rom", image.bytes));
        ASSERT_EQ(run("extract " + path("in.rom") + " 6 -o " + path("m6.bin")).status, 0);
        const std::size_t moduleSize = readFile(dir.path() / "m6.bin").size();

        ASSERT_EQ(run("pack " + path("in.rom") + " -o " + path("same.rom")).status, 0);
        EXPECT_TRUE(readFile(dir.path() / "same.rom") == image.bytes) << "a Pack without an edit changed the file";

        // Random texts of 1 to 40 characters: in every field but one, left
        // empty, then in a third of them, the others as they were.
        for (int round = 0; round < 4; ++round) {
            std::map<std::string, std::string> want = peerFields("in.rom");
            std::string arguments;
            const std::size_t empty = random() % dmi::IdentityFields.size();
            for (std::size_t k = 0; k < dmi::IdentityFields.size(); ++k) {
                if (round > 0 && random() % 3 != 0) continue;
                const std::string text = k == empty ? "" : randomText(random, 1 + random() % 40);
                want[dmi::IdentityFields[k].keyword] = k == empty ? "Not Specified" : text;
                arguments += " --set " + shellQuoted(std::string(dmi::IdentityFields[k].keyword) + "=" + text);
            }
            const std::string uuid = dashedUuid(random);
            want[dmi::UuidKeyword] = uuid + "\n";
            fs::remove(dir.path() / "out.rom");
            const CommandRun r = run("pack " + path("in.rom") + " -o " + path("out.rom") + arguments + " --uuid " + uuid);
            if (r.status != 0) {
                EXPECT_NE(r.err.find("bytes are missing; nothing was written"), std::string::npos) << r.err;
                EXPECT_FALSE(fs::exists(dir.path() / "out.rom"));
                continue;
            }
            EXPECT_EQ(peerFields("out.rom"), want);
            expectTableWhole("out.rom", moduleSize);
            EXPECT_EQ(changesBeyondModule(image.bytes, readFile(dir.path() / "out.rom"), 6), "");
        }

        const struct {
            std::string arguments;
            const char* refusal;
        } refusals[] = {
            {"--set system-serial-number=" + std::string(65, 'S'), "a DMI string takes at most 64"},
            {"--set serial=1", "--set takes KEYWORD=TEXT"},
            {"--uuid 80a4b3c2-d1e0-f123-4567-890abcdef01", "is no UUID"},
        };
        for (const auto& c : refusals) {
            fs::remove(dir.path() / "out.rom");
            const CommandRun r = run("pack " + path("in.rom") + " -o " + path("out.rom") + " " + c.arguments);
            EXPECT_NE(r.status, 0);
            EXPECT_NE(r.err.find(c.refusal), std::string::npos) << r.err;
            EXPECT_FALSE(fs::exists(dir.path() / "out.rom"));
        }

        ASSERT_EQ(run("pack " + path("in.rom") + " -o " + path("kept.rom") + " " + KeptLengthEdits).status, 0);
        const auto known = KeptLengthOutputs.find(sha256("in.rom").substr(0, 16));
        if (known != KeptLengthOutputs.end()) {
            EXPECT_EQ(sha256("kept.rom"), known->second);
        }
        EXPECT_EQ(changesBeyondModule(image.bytes, readFile(dir.path() / "kept.rom"), 6), "");
    }
}

TEST_F(RealIdentity, FromImageCarriesTheWholeIdentityEvenFromADamagedRead) {
    for (const Firmware& source : images) {
        // The source with bytes flipped in the first block that is not module 6.
        std::vector<std::uint8_t> damaged = source.bytes;
        const image::ModuleChain chain = image::describeModuleChain(damaged);
        const auto other = std::find_if(chain.blocks.begin(), chain.blocks.end(),
                                        [](const image::ModuleBlock& b) { return b.moduleId != 6 && b.dataSize > 64; });
        ASSERT_NE(other, chain.blocks.end());
        for (std::uint32_t i = 16; i < 48; ++i) damaged[other->dataOffset() + i] ^= 0x5A;
        ASSERT_TRUE(writeFile(dir.path() / "damaged.rom", damaged));
        ASSERT_TRUE(writeFile(dir.path() / "source.rom", source.bytes));
        const std::map<std::string, std::string> identity = peerFields("source.rom");
        const CommandRun shown = run("dmi " + path("damaged.rom"));
        EXPECT_EQ(shown.status, 0) << shown.err;
        EXPECT_NE(shown.err.find("bad chip read"), std::string::npos) << shown.err;

        for (const Firmware& target : images) {
            SCOPED_TRACE(source.name + " into " + target.name);
            ASSERT_TRUE(writeFile(dir.path() / "target.rom", target.bytes));
            for (const char* from : {"source.rom", "damaged.rom"}) {
                fs::remove(dir.path() / "out.rom");
                const CommandRun r = run("pack " + path("target.rom") + " -o " + path("out.rom") + " --from-image " + path(from));
                if (r.status != 0) {
                    EXPECT_NE(r.err.find("bytes are missing; nothing was written"), std::string::npos) << r.err;
                    EXPECT_FALSE(fs::exists(dir.path() / "out.rom"));
                    continue;
                }
                EXPECT_EQ(r.err.find("bad chip read") != std::string::npos, std::string(from) == "damaged.rom") << r.err;
                std::map<std::string, std::string> got = peerFields("out.rom");
                // A field the source leaves empty is left as the target has it.
                for (auto& [keyword, value] : got)
                    if (identity.at(keyword) == "Not Specified") value = identity.at(keyword);
                EXPECT_EQ(got, identity);
            }
        }
    }
}

TEST_F(RealIdentity, ASerialBatchWritesEveryRowsOwnSerialAndUuid) {
    std::string csv = "output;system-serial-number;uuid\n";
    for (int k = 1; k <= 20; ++k) {
        char row[64];
        std::snprintf(row, sizeof row, "pc-%02d.rom;SN%06d;random\n", k, k);
        csv += row;
    }
    ASSERT_TRUE(writeFile(dir.path() / "rows.csv", std::span(reinterpret_cast<const std::uint8_t*>(csv.data()), csv.size())));
    for (const Firmware& image : images) {
        SCOPED_TRACE(image.name);
        ASSERT_TRUE(writeFile(dir.path() / "in.rom", image.bytes));
        fs::remove_all(dir.path() / "out");
        const CommandRun r = run("pack " + path("in.rom") + " --batch " + path("rows.csv") + " --out-dir " + path("out"));
        ASSERT_EQ(r.status, 0) << r.err;
        std::set<std::string> uuids;
        for (int k = 1; k <= 20; ++k) {
            char name[16], serial[16];
            std::snprintf(name, sizeof name, "out/pc-%02d.rom", k);
            std::snprintf(serial, sizeof serial, "SN%06d\n", k);
            EXPECT_EQ(run("dmi " + path(name) + " -s system-serial-number").out, serial);
            uuids.insert(run("dmi " + path(name) + " -s system-uuid").out);
        }
        EXPECT_EQ(uuids.size(), 20u);
    }
}

}  // namespace
}  // namespace quarnel::test
