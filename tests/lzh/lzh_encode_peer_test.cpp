// A real peer: every complete stream, wrapped as an -lh5- archive member,
// is extracted by Debian's lhasa to the very bytes that were encoded.
#include <gtest/gtest.h>

#include "lzh/encode_inputs.h"
#include "lzh/lzh.h"
#include "support/lzh_member.h"
#include "support/test_files.h"

namespace quarnel::test {
namespace {

void expectLhasaExtracts(const Bytes& input, const std::string& name) {
    SCOPED_TRACE(name);
    Bytes area(input.size() + lzh::EncodeOverhead);
    const lzh::LzhEncodeResult result = lzh::LzhEncode(input, area);
    ASSERT_TRUE(result.ok && result.complete) << "expected a compressible input";
    area.resize(result.size);
    const LhasaExtraction extraction = extractWithLhasa(wrapAreaAsMember(area, input));
    ASSERT_TRUE(extraction.ran);
    EXPECT_TRUE(extraction.crcTestPassed) << "lhasa t refused the member";
    EXPECT_TRUE(extraction.bytes == input) << "lhasa extracted other bytes";
}

class LzhEncodePeer : public testing::Test {
protected:
    void SetUp() override {
        if (!lhasaAvailable()) GTEST_SKIP() << "lhasa is not installed";
    }
};

TEST_F(LzhEncodePeer, LhasaExtractsTextRunsAndMixedInputs) {
    expectLhasaExtracts(englishText(20000), "text");
    expectLhasaExtracts(byteRuns(50000, 3), "runs");
    expectLhasaExtracts(Bytes(1000, 0), "1000 zeros");
    expectLhasaExtracts(mixedInput(), "mixed");
    Bytes noisy = randomBytes(6000, 11);
    noisy.insert(noisy.end(), noisy.begin(), noisy.begin() + 3000);
    expectLhasaExtracts(noisy, "random with a copy");
}

TEST_F(LzhEncodePeer, LhasaExtractsSeabiosBlobs) {
    const auto blobs = seabiosBlobs();
    if (blobs.empty()) GTEST_SKIP() << "seabios is not installed";
    for (const auto& blob : blobs) expectLhasaExtracts(readFile(blob), blob.filename().string());
}

}  // namespace
}  // namespace quarnel::test
