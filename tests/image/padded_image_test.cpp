// Images of 2 and 4 MiB: links address only the top 1 MiB, where the
// directory and its chain lie; everything in front of it is kept byte for
// byte. An image padded in front with other data must give, where the
// unpadded image lies, exactly the bytes the unpadded one gives.
#include <gtest/gtest.h>

#include <algorithm>

#include "dmi/dmi_session.h"
#include "dmi/dmi_workflow.h"
#include "dmi/headless_view.h"
#include "image/image_fixtures.h"
#include "image/rom_image.h"
#include "image/verify_image.h"
#include "platform/image_files.h"
#include "sample/sample_image.h"
#include "support/test_files.h"

namespace quarnel::image {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes padded(const Bytes& image, std::uint32_t size) {
    Bytes file(size - image.size());
    for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(0x3C + i * 13 % 0xB1);
    file.insert(file.end(), image.begin(), image.end());
    return file;
}

// The padded output is the front as it was, then the unpadded output.
void expectSameWhereTheImageLies(const Bytes& paddedOut, const Bytes& paddedIn, const Bytes& plainOut) {
    ASSERT_EQ(paddedOut.size(), paddedIn.size());
    const std::size_t front = paddedIn.size() - plainOut.size();
    EXPECT_TRUE(std::equal(paddedOut.begin(), paddedOut.begin() + front, paddedIn.begin())) << "the front changed";
    EXPECT_TRUE(std::equal(plainOut.begin(), plainOut.end(), paddedOut.begin() + front)) << "the image part differs";
}

struct Outputs {
    Bytes rebuilt;
    Bytes packed;
};

// Verify, an unchanged rebuild, and Extract, an edit and Pack.
Outputs runAll(const test::TempDir& dir, const Bytes& file, bool withDmi) {
    const auto in = dir.path() / "in.rom", rebuilt = dir.path() / "rebuilt.rom", packed = dir.path() / "new.rom";
    EXPECT_TRUE(test::writeFile(in, file));
    const VerifyReport report = verifyImage(file);
    EXPECT_TRUE(report.result.ok() && report.faults.empty()) << report.result.message;
    RomImage image;
    EXPECT_TRUE(platform::loadImage(image, in.string()).ok());
    const Result written = platform::rebuildImage(image, rebuilt.string());
    EXPECT_TRUE(written.ok()) << written.message;
    Outputs outputs{test::readFile(rebuilt), {}};
    if (!withDmi) return outputs;
    dmi::DmiSession session;
    dmi::HeadlessDmiView view{session.state};
    EXPECT_TRUE(dmi::extractDmi(session, view, in.string()).ok());
    view.type(dmi::DmiEdit::Edit3, "Padded Maker");
    const Result pack = dmi::packDmi(session, view, in.string(), packed.string());
    EXPECT_TRUE(pack.ok()) << pack.message;
    outputs.packed = test::readFile(packed);
    EXPECT_TRUE(verifyImage(outputs.packed).faults.empty());
    return outputs;
}

TEST(PaddedImages, TheSampleAndAFixtureWorkAsUnpaddedAndKeepTheirFront) {
    test::TempDir dir;
    const auto samplePath = dir.path() / "sample.rom";
    ASSERT_TRUE(sample::writeSampleImage(samplePath.string()).ok());
    const struct {
        const char* name;
        Bytes image;
        bool withDmi;
    } cases[] = {
        {"sample", test::readFile(samplePath), true},
        {"mixed chain", test::MixedChain(2, test::ChainLayout::AsRebuilt).file, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Outputs plain = runAll(dir, c.image, c.withDmi);
        for (const std::uint32_t size : {2u << 20, 4u << 20}) {
            SCOPED_TRACE(size);
            const Bytes file = padded(c.image, size);
            const Outputs out = runAll(dir, file, c.withDmi);
            expectSameWhereTheImageLies(out.rebuilt, file, plain.rebuilt);
            if (c.withDmi) expectSameWhereTheImageLies(out.packed, file, plain.packed);
        }
    }
}

}  // namespace
}  // namespace quarnel::image
