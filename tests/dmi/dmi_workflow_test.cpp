// Extract and Pack on image files: the sample image, and images that are
// missing, corrupt or without module 6.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "dmi/dmi_messages.h"
#include "dmi/dmi_reader.h"
#include "dmi/dmi_workflow.h"
#include "dmi/headless_view.h"
#include "dmi/uuid_text.h"
#include "image/file_io.h"
#include "sample/sample_dmi_module.h"
#include "sample/sample_image.h"

namespace quarnel::dmi {
namespace {

namespace fs = std::filesystem;

struct Workflow : ::testing::Test {
    void SetUp() override {
        dir = fs::temp_directory_path() / ("quarnel-dmi-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        bios = (dir / "bios.rom").string();
        out = (dir / "new.rom").string();
        ASSERT_TRUE(sample::writeSampleImage(bios, QUARNEL_SEABIOS_DIR).ok());
    }
    void TearDown() override { fs::remove_all(dir); }

    DmiReadResult readModule6(const std::string& name, std::uint8_t* flags = nullptr) {
        image::RomImage rom;
        EXPECT_TRUE(image::loadImage(rom, name).ok());
        const image::ModuleEntry* m = image::findModule(rom, 6, 0, 0);
        if (!m) return {};
        if (flags) *flags = m->flags;
        return readDmiModule(m->data);
    }

    fs::path dir;
    std::string bios, out;
    DmiSession session;
    HeadlessDmiView view{session.state};
};

TEST_F(Workflow, PackedImageHoldsTheEditedStringsAndUuid) {
    ASSERT_TRUE(extractDmi(session, view, bios).ok());
    EXPECT_EQ(session.state.type1Fields[1].text, sample::SampleSystemStrings[1]);
    view.clickSelector(3);
    view.type(DmiEdit::Edit5, "SN-42");
    view.clickSelector(1);
    view.type(DmiEdit::Edit4, "Quarnel Test");
    view.type(DmiEdit::Edit7, "0123456789abcdef0123456789ABCDEF");
    ASSERT_TRUE(packDmi(session, view, bios, out).ok());
    EXPECT_EQ(view.messages(), (std::vector<std::string>{"Save", "Bios file " + out + " is created"}));

    const DmiReadResult packed = readModule6(out);
    EXPECT_EQ(packed.state.type1Fields[1].text, "Quarnel Test   ");
    EXPECT_EQ(packed.state.type3Fields[2].text, "SN-42       ");
    EXPECT_EQ(uuidText(packed.state.uuid), "0123456789ABCDEF0123456789ABCDEF");
    EXPECT_EQ(packed.state.type2Fields[1].text, sample::SampleBoardStrings[1]);
}

TEST_F(Workflow, UnchangedPackGivesBackModule6AsExtracted) {
    ASSERT_TRUE(extractDmi(session, view, bios).ok());
    ASSERT_TRUE(packDmi(session, view, bios, out).ok());
    image::RomImage before, after;
    ASSERT_TRUE(image::loadImage(before, bios).ok());
    ASSERT_TRUE(image::loadImage(after, out).ok());
    EXPECT_EQ(image::findModule(after, 6, 0, 0)->data, image::findModule(before, 6, 0, 0)->data);
    EXPECT_EQ(image::findModule(after, 6, 0, 0)->data, sample::sampleDmiModule());
}

TEST_F(Workflow, StoredModule6StaysStored) {
    image::RomImage rom;
    ASSERT_TRUE(image::loadImage(rom, bios).ok());
    for (image::ModuleEntry& entry : rom.modules)
        if (entry.moduleId == 6) entry.flags = image::StoredFlag, entry.compressed = false;
    const std::string stored = (dir / "stored.rom").string();
    ASSERT_TRUE(image::rebuildImage(rom, stored).ok());

    ASSERT_TRUE(extractDmi(session, view, stored).ok());
    view.type(DmiEdit::Edit3, "Stored Maker");
    ASSERT_TRUE(packDmi(session, view, stored, out).ok());
    std::uint8_t flags = 0;
    const DmiReadResult packed = readModule6(out, &flags);
    EXPECT_EQ(flags, image::StoredFlag);
    EXPECT_EQ(packed.state.type1Fields[0].text, "Stored Maker            ");
}

TEST_F(Workflow, MissingFileAtExtractShowsNothingButResetsTheSelector) {
    ASSERT_TRUE(extractDmi(session, view, bios).ok());
    view.clickSelector(3);
    EXPECT_FALSE(extractDmi(session, view, (dir / "absent.rom").string()).ok());
    EXPECT_TRUE(view.messages().empty());
    EXPECT_EQ(view.selectorPosition(), 1);
    EXPECT_EQ(view.text(DmiEdit::Edit2), "3");
}

TEST_F(Workflow, UnreadableOrCorruptFilesAreReportedAndEditsKept) {
    ASSERT_TRUE(extractDmi(session, view, bios).ok());
    view.type(DmiEdit::Edit3, "Kept");
    const std::string noDirectory = (dir / "plain.rom").string();
    ASSERT_TRUE(image::writeFileAtomically(noDirectory, std::vector<std::uint8_t>(4096, 0x5A)).ok());

    std::vector<std::uint8_t> brokenChain;
    ASSERT_TRUE(image::readWholeFile(bios, brokenChain).ok());
    const std::size_t firstModuleLink = sample::SampleDirectoryOffset + 18;
    std::fill_n(brokenChain.begin() + firstModuleLink, 4, 0x00);  // a link to 0000:0000, far below the image
    const std::string broken = (dir / "broken.rom").string();
    ASSERT_TRUE(image::writeFileAtomically(broken, brokenChain).ok());

    const std::string absent = (dir / "absent.rom").string();
    EXPECT_FALSE(packDmi(session, view, absent, out).ok());
    EXPECT_FALSE(packDmi(session, view, noDirectory, out).ok());
    EXPECT_FALSE(extractDmi(session, view, noDirectory).ok());
    EXPECT_FALSE(extractDmi(session, view, broken).ok());
    ASSERT_EQ(view.messages().size(), 4u);
    EXPECT_EQ(view.messages()[0], "Can't open " + absent);
    EXPECT_EQ(view.messages()[1], "Can't open " + noDirectory);
    EXPECT_EQ(view.messages()[2], "Can't open " + noDirectory);
    EXPECT_EQ(view.messages()[3].rfind(broken + ": ", 0), 0u) << view.messages()[3];
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(session.state.type1Fields[0].text.substr(0, 5), "Kept ");
    EXPECT_TRUE(packDmi(session, view, bios, out).ok());
}

TEST_F(Workflow, ImageWithoutModule6IsReported) {
    image::RomImage rom;
    ASSERT_TRUE(image::loadImage(rom, bios).ok());
    std::erase_if(rom.modules, [](const image::ModuleEntry& e) { return e.moduleId == 6; });
    const std::string without = (dir / "without.rom").string();
    ASSERT_TRUE(image::rebuildImage(rom, without).ok());
    EXPECT_FALSE(extractDmi(session, view, without).ok());
    EXPECT_EQ(view.messages(), std::vector<std::string>{messages::NoModule6});
}

TEST_F(Workflow, BadUuidOrNoExtractWritesNothing) {
    EXPECT_FALSE(packDmi(session, view, bios, out).ok());
    ASSERT_TRUE(extractDmi(session, view, bios).ok());
    view.type(DmiEdit::Edit7, "not a uuid");
    EXPECT_FALSE(packDmi(session, view, bios, out).ok());
    EXPECT_EQ(view.messages(), (std::vector<std::string>{messages::NotExtracted, messages::BadUuid}));
    EXPECT_FALSE(fs::exists(out));
}

}  // namespace
}  // namespace quarnel::dmi
