// The decoder against independent LZH archivers: streams wrapped as .lzh
// members must extract with lhasa to the bytes LzhDecode gives, and -lh5-
// members that jlha compressed must decode to the original files.
#include <gtest/gtest.h>

#include "lzh/lzh.h"
#include "support/lh5_stream_writer.h"
#include "support/lzh_member.h"
#include "support/test_files.h"

namespace quarnel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes decode(std::span<const std::uint8_t> area) {
    const auto header = lzh::readAreaHeader(area);
    if (!header) return {};
    Bytes out(header->unpackedSize);
    const lzh::LzhDecodeResult result = lzh::LzhDecode(area, out);
    EXPECT_TRUE(result.ok) << result.message;
    return out;
}

void expectLhasaAgrees(const Bytes& area, std::string_view what) {
    const Bytes decoded = decode(area);
    const LhasaExtraction extracted = extractWithLhasa(wrapAreaAsMember(area, decoded));
    ASSERT_TRUE(extracted.ran) << what;
    EXPECT_TRUE(extracted.crcTestPassed) << what;
    EXPECT_EQ(extracted.bytes, decoded) << what;
}

class LzhDecodeAgreesWithLhasa : public testing::Test {
protected:
    void SetUp() override {
        if (!lhasaAvailable()) GTEST_SKIP() << "/usr/bin/lhasa is missing: run scripts/deps.sh";
    }
};

// Random blocks reach every distance class, matches up to 256 bytes and
// codes up to 16 bits; a length code of three lengths has its zero-run field
// behind them.
TEST_F(LzhDecodeAgreesWithLhasa, OnRandomBlocksAndAShortLengthCode) {
    expectLhasaAgrees(makeRandomStream(99, 12).area, "random blocks");
    Lh5StreamWriter w;
    w.blockSize(3);
    const std::uint8_t lengths[] = {1, 2, 2};
    w.smallLengths(lengths, 5, true, 3);
    w.singleSymbol('q', 9);
    w.singleSymbol(0, 4);
    expectLhasaAgrees(w.area(3), "length-code count 3");
}

// Two quirks of the format are not compared: lhasa reads a stored block size
// of 0 as an empty block instead of 65536 symbols, and stops at the end of a
// member instead of reading zero bits behind it.

TEST(LzhDecodeAgreesWithJlha, OnTheSeabiosBlobs) {
    if (!jlhaAvailable()) GTEST_SKIP() << "/usr/bin/jlha is missing: run scripts/deps.sh";
    const auto blobs = seabiosBlobs();
    if (blobs.empty()) GTEST_SKIP() << "/usr/share/seabios is empty: run scripts/deps.sh";
    // One archive of all blobs in a row: one start of the Java program.
    Bytes firmware;
    for (const auto& blob : blobs) {
        const Bytes bytes = readFile(blob);
        firmware.insert(firmware.end(), bytes.begin(), bytes.end());
    }
    const std::optional<Bytes> archive = compressWithJlha(firmware);
    ASSERT_TRUE(archive) << "jlha failed";
    const std::optional<LzhMember> member = readFirstMember(*archive);
    ASSERT_TRUE(member);
    ASSERT_EQ(member->method, "-lh5-");
    ASSERT_EQ(member->originalSize, firmware.size());
    EXPECT_EQ(member->crc, lhaCrc16(firmware));
    const Bytes decoded = decode(memberAsArea(*member));
    EXPECT_TRUE(decoded == firmware) << "the decoded firmware differs from the blobs";
}

}  // namespace
}  // namespace quarnel::test
