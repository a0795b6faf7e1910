// quarnel-cli compress and decompress, run as a user runs them: what they
// write, the message on a cut-short stream or a malformed area, and the exit
// statuses. (compress's bytes are compared with the reference encoder in
// reference_encoder_test.py.)
#include <gtest/gtest.h>

#include "lzh/encode_inputs.h"
#include "support/lh5_stream_writer.h"
#include "support/test_files.h"

namespace quarnel::test {
namespace {

class CliCodec : public testing::Test {
protected:
    TempDir dir;
    std::string path(const std::string& name) const { return shellQuoted((dir.path() / name).string()); }
    bool exists(const std::string& name) const { return std::filesystem::exists(dir.path() / name); }
    CommandRun run(const std::string& arguments) const { return runCommand(shellQuoted(QUARNEL_CLI) + " " + arguments); }
    void write(const std::string& name, const Bytes& bytes) { ASSERT_TRUE(writeFile(dir.path() / name, bytes)); }
};

TEST_F(CliCodec, CompressNeverWritesACutShortStream) {
    write("in.bin", randomBytes(5000, 1));
    const CommandRun r = run("compress " + path("in.bin") + " " + path("out.lzh"));
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(r.err.empty());
    EXPECT_FALSE(exists("out.lzh"));
}

TEST_F(CliCodec, DecompressWritesTheContentsToAFileOrToStandardOutput) {
    const RandomStream stream = makeRandomStream(5, 3);
    write("in.lzh", stream.area);
    const CommandRun toFile = run("decompress " + path("in.lzh") + " " + path("out.bin"));
    ASSERT_EQ(toFile.status, 0) << toFile.err;
    EXPECT_TRUE(readFile(dir.path() / "out.bin") == stream.expected);

    const CommandRun piped = run("decompress " + path("in.lzh") + " -");
    ASSERT_EQ(piped.status, 0) << piped.err;
    EXPECT_TRUE(piped.out == std::string(stream.expected.begin(), stream.expected.end()));
    EXPECT_FALSE(exists("-"));
}

// The first area claims 4 GiB: it must fail on its table, not on filling them.
TEST_F(CliCodec, DecompressReportsAMalformedAreaAndWritesNothing) {
    Lh5StreamWriter w;
    w.blockSize(1);
    w.singleSymbol(19, 5);  // no such symbol of the length code
    const struct {
        Bytes area;
        const char* message;
    } cases[] = {{w.area(0xFFFFFFFF), "names no symbol"}, {{1, 2, 3}, "8-byte header"}};
    for (const auto& c : cases) {
        write("in.lzh", c.area);
        const CommandRun r = run("decompress " + path("in.lzh") + " " + path("out.bin"));
        EXPECT_EQ(r.status, 1) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(exists("out.bin")) << c.message;
    }
}

TEST_F(CliCodec, ExitStatusesTellCantOpenFromUsage) {
    write("in.lzh", makeRandomStream(7, 1).area);
    const struct {
        std::string arguments;
        int status;
    } cases[] = {
        {"compress " + path("missing.bin") + " " + path("out"), 4},
        {"decompress " + path("missing.lzh") + " " + path("out"), 4},
        {"decompress " + path("in.lzh") + " " + path("no-such-folder/out.bin"), 4},
        {"compress " + path("missing.bin"), 2},
        {"decompress " + path("in.lzh"), 2},
    };
    for (const auto& c : cases) EXPECT_EQ(run(c.arguments).status, c.status) << c.arguments;
    EXPECT_FALSE(exists("out"));
}

}  // namespace
}  // namespace quarnel::test
