// Pack on the real images (support/firmware_images.h), every image by the
// same rules: without an edit it gives the file back; with every type 1 and
// type 3 row and the UUID edited, module 6 alone changes (and what its new
// place needs), and the edits read back through Extract and dmidecode.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "dmi/dmi_edit.h"
#include "dmi/dmi_reader.h"
#include "dmi/dmi_workflow.h"
#include "dmi/smbios_dump.h"
#include "image/block_checksum.h"
#include "image/module_chain.h"
#include "image/verify_image.h"
#include "support/firmware_images.h"
#include "support/test_files.h"

namespace quarnel::dmi {
namespace {

using Bytes = std::vector<std::uint8_t>;

// One character away from the old text, so module 6 packs about as before;
// or random letters and digits, so it outgrows its block.
std::string similarText(const DmiStringField& field, std::mt19937&) {
    std::string text = field.text;
    text.back() = text.back() == 'Q' ? 'R' : 'Q';
    return text;
}

std::string randomText(const DmiStringField& field, std::mt19937& random) {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string text(static_cast<std::size_t>(field.length), ' ');
    for (char& c : text) c = letters[random() % 36];
    return text;
}

DmiEdits allRows(const DmiState& state, std::string (*text)(const DmiStringField&, std::mt19937&), std::mt19937& random) {
    DmiEdits edits;
    for (const int type : {1, 3})
        for (int row = 1; row <= 4; ++row) {
            const DmiStringField& field = (type == 1 ? state.type1Fields : state.type3Fields)[row - 1];
            if (field.length > 0) edits.fields.push_back({type, row, text(field, random)});
        }
    Uuid uuid;
    for (std::uint8_t& b : uuid) b = static_cast<std::uint8_t>(random());
    edits.uuid = uuid;
    return edits;
}

// The packed image, and the state whose fields it should hold.
Result pack(const test::Firmware& image, const DmiEdits* edits, Bytes& packed, DmiState& expected) {
    DmiSession session;
    if (Result r = extractForPack(session, image.path.string(), false, {}); !r.ok()) return r;
    if (!session.packable) return {Outcome::NotLoaded, "no DMI changes"};
    std::vector<std::string> notes;
    if (edits)
        if (Result r = applyEdits(session.state, *edits, notes); !r.ok()) return r;
    expected = session.state;
    PackRequest request{.inputName = image.path.string(), .outputName = "new.rom"};
    request.loaded = true;
    request.write = [&](const std::string&, std::span<const std::uint8_t> bytes) {
        packed.assign(bytes.begin(), bytes.end());
        return Result{};
    };
    if (edits) request.uuidText = [&] {
        std::string hex;
        for (std::uint8_t b : *edits->uuid) hex += "0123456789ABCDEF"[b >> 4], hex += "0123456789ABCDEF"[b & 15];
        return std::optional<std::string>(hex);
    };
    return packDmi(session, request);
}

std::string dmidecode(const Bytes& packed, const DmiState& state) {
    image::RomImage rom;
    EXPECT_TRUE(image::loadImageBytes(rom, packed).ok());
    Bytes dump;
    EXPECT_TRUE(buildSmbiosDump(image::findModule(rom, 6, 0, 0)->data, state.signatureOffset, dump).ok());
    test::TempDir dir;
    test::writeFile(dir.path() / "dmi.bin", dump);
    return test::runCommand("dmidecode --from-dump " + test::shellQuoted((dir.path() / "dmi.bin").string()) +
                            " -t 1 -t 3").out;
}

TEST(FirmwarePack, OnlyModule6ChangesAndTheEditsReadBack) {
    const std::vector<test::Firmware> images = test::firmwareImages();
    if (images.empty()) GTEST_SKIP() << "no real firmware in " << test::firmwareFolder();
    const bool withDmidecode = test::runCommand("dmidecode --version").status == 0;
    std::mt19937 random(2026);
    for (const test::Firmware& image : images) {
        SCOPED_TRACE(image.name);
        Bytes packed;
        DmiState expected;
        if (!pack(image, nullptr, packed, expected).ok()) continue;  // no module 6 that takes changes
        EXPECT_TRUE(packed == image.bytes) << "a Pack without an edit changed the file";
        const bool held = image::directoryChecksumHolds(image.bytes, *image::findDirectory(image.bytes));
        for (auto text : {similarText, randomText}) {
            SCOPED_TRACE(text == similarText ? "texts like the old ones" : "random texts");
            const DmiEdits edits = allRows(expected, text, random);
            DmiState wanted;
            ASSERT_TRUE(pack(image, &edits, packed, wanted).ok());
            EXPECT_TRUE(image::verifyImage(packed).faults.empty());
            EXPECT_EQ(image::directoryChecksumHolds(packed, *image::findDirectory(packed)), held);
            EXPECT_EQ(test::changesBeyondModule(image.bytes, packed, 6), "");

            image::RomImage rom;
            ASSERT_TRUE(image::loadImageBytes(rom, packed).ok());
            const DmiState read = readDmiModule(image::findModule(rom, 6, 0, 0)->data).state;
            EXPECT_EQ(read.uuid, *edits.uuid);
            const std::string shown = withDmidecode ? dmidecode(packed, read) : "";
            for (int row = 0; row < 4; ++row)
                for (const auto& [got, want] : {std::pair(read.type1Fields[row], wanted.type1Fields[row]),
                                               std::pair(read.type3Fields[row], wanted.type3Fields[row])}) {
                    EXPECT_EQ(got.text, want.text);
                    const std::string trimmed = want.text.substr(0, want.text.find_last_not_of(' ') + 1);
                    if (withDmidecode && !trimmed.empty()) {
                        EXPECT_NE(shown.find(trimmed), std::string::npos) << trimmed << " not in dmidecode's\n" << shown;
                    }
                }
        }
    }
}

}  // namespace
}  // namespace quarnel::dmi
