// Extract and Pack on image files: a stored module 6, and images that are
// missing, corrupt or without module 6. (The window tests run Extract, edit
// and Pack on the sample.)
#include <gtest/gtest.h>

#include <filesystem>

#include "dmi/dmi_messages.h"
#include "dmi/dmi_reader.h"
#include "dmi/dmi_workflow.h"
#include "dmi/headless_view.h"
#include "platform/file_io.h"
#include "platform/image_files.h"
#include "sample/sample_image.h"
#include "support/test_files.h"

namespace quarnel::dmi {
namespace {

namespace fs = std::filesystem;

struct Workflow : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(sample::writeSampleImage(bios, QUARNEL_SEABIOS_DIR).ok()); }
    std::string path(const char* name) const { return (dir.path() / name).string(); }

    test::TempDir dir;
    std::string bios = path("bios.rom"), out = path("new.rom");
    DmiSession session;
    HeadlessDmiView view{session.state};
};

TEST_F(Workflow, StoredModule6StaysStored) {
    image::RomImage rom;
    ASSERT_TRUE(platform::loadImage(rom, bios).ok());
    for (image::ModuleEntry& entry : rom.modules)
        if (entry.moduleId == 6) entry.flags = image::StoredFlag, entry.compressed = false;
    const std::string stored = path("stored.rom");
    ASSERT_TRUE(platform::rebuildImage(rom, stored).ok());

    ASSERT_TRUE(extractDmi(session, view, stored).ok());
    view.type(DmiEdit::Edit3, "Stored Maker");
    ASSERT_TRUE(packDmi(session, view, stored, out).ok());
    EXPECT_EQ(view.messages(), (std::vector<std::string>{"Save", "Bios file " + out + " is created"}));
    image::RomImage packed;
    ASSERT_TRUE(platform::loadImage(packed, out).ok());
    const image::ModuleEntry* module6 = image::findModule(packed, 6, 0, 0);
    ASSERT_NE(module6, nullptr);
    EXPECT_EQ(module6->flags, image::StoredFlag);
    EXPECT_EQ(readDmiModule(module6->data).state.type1Fields[0].text, "Stored Maker");
}

TEST_F(Workflow, MissingFileAtExtractShowsNothingButResetsTheSelector) {
    ASSERT_TRUE(extractDmi(session, view, bios).ok());
    view.clickSelector(3);
    EXPECT_FALSE(extractDmi(session, view, path("absent.rom")).ok());
    EXPECT_TRUE(view.messages().empty());
    EXPECT_EQ(view.selectorPosition(), 1);
    EXPECT_EQ(view.text(DmiEdit::Edit2), "3");
}

TEST_F(Workflow, UnreadableOrCorruptFilesAreReportedAndEditsKept) {
    ASSERT_TRUE(extractDmi(session, view, bios).ok());
    view.type(DmiEdit::Edit3, "Kept");
    const std::string noDirectory = path("plain.rom");
    ASSERT_TRUE(platform::writeFileAtomically(noDirectory, std::vector<std::uint8_t>(4096, 0x5A)).ok());

    std::vector<std::uint8_t> brokenChain;
    ASSERT_TRUE(platform::readWholeFile(bios, brokenChain).ok());
    const std::size_t firstModuleLink = sample::SampleDirectoryOffset + 18;
    std::fill_n(brokenChain.begin() + firstModuleLink, 4, 0x00);  // a link to 0000:0000, far below the image
    const std::string broken = path("broken.rom");
    ASSERT_TRUE(platform::writeFileAtomically(broken, brokenChain).ok());

    const std::string absent = path("absent.rom");
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
    EXPECT_EQ(session.state.type1Fields[0].text, "Kept");
    EXPECT_TRUE(packDmi(session, view, bios, out).ok());
}

TEST_F(Workflow, ImageWithoutModule6IsReported) {
    image::RomImage rom;
    ASSERT_TRUE(platform::loadImage(rom, bios).ok());
    std::erase_if(rom.modules, [](const image::ModuleEntry& e) { return e.moduleId == 6; });
    const std::string without = path("without.rom");
    ASSERT_TRUE(platform::rebuildImage(rom, without).ok());
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
