// quarnel-cli decompress, run as a user runs it: the contents it writes, the
// decoder's message on a malformed area, and the exit statuses.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>

#include "support/lh5_stream_writer.h"
#include "support/test_files.h"

namespace quarnel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string quoted(const std::string& text) {
    std::string out(1, '\'');
    out.append(text).push_back('\'');
    return out;
}

class CliDecompress : public testing::Test {
protected:
    TempDir dir;
    std::string path(const std::string& name) const { return quoted((dir.path() / name).string()); }
    bool exists(const std::string& name) const { return std::filesystem::exists(dir.path() / name); }
    std::string errors() const {
        const Bytes text = readFile(dir.path() / "errors.txt");
        return {text.begin(), text.end()};
    }

    int run(const std::string& arguments, const std::string& output = "/dev/null") const {
        std::string command = quoted(QUARNEL_CLI);
        command.append(" ").append(arguments).append(" >").append(output).append(" 2>").append(path("errors.txt"));
        const int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
};

TEST_F(CliDecompress, WritesTheContents) {
    const RandomStream stream = makeRandomStream(5, 3);
    ASSERT_TRUE(writeFile(dir.path() / "in.lzh", stream.area));
    ASSERT_EQ(run("decompress " + path("in.lzh") + " " + path("out.bin")), 0) << errors();
    EXPECT_TRUE(readFile(dir.path() / "out.bin") == stream.expected);
}

TEST_F(CliDecompress, DashWritesTheContentsToStandardOutput) {
    const RandomStream stream = makeRandomStream(7, 2);
    ASSERT_TRUE(writeFile(dir.path() / "in.lzh", stream.area));
    ASSERT_EQ(run("decompress " + path("in.lzh") + " -", path("piped.bin")), 0) << errors();
    EXPECT_TRUE(readFile(dir.path() / "piped.bin") == stream.expected);
    EXPECT_FALSE(exists("-"));
}

TEST_F(CliDecompress, MalformedAreaIsReportedAndNothingWritten) {
    Lh5StreamWriter w;
    w.blockSize(1);
    const std::uint8_t lengths[] = {1, 1, 1};  // over-full: the 16-bit sum fails
    w.smallLengths(lengths, 5, true);
    ASSERT_TRUE(writeFile(dir.path() / "in.lzh", w.area(10)));
    EXPECT_EQ(run("decompress " + path("in.lzh") + " " + path("out.bin")), 1);
    EXPECT_NE(errors().find("Bad table"), std::string::npos) << errors();
    EXPECT_FALSE(exists("out.bin"));

    const Bytes tooShort = {1, 2, 3};
    ASSERT_TRUE(writeFile(dir.path() / "short.lzh", tooShort));
    EXPECT_EQ(run("decompress " + path("short.lzh") + " " + path("out.bin")), 1);
    EXPECT_FALSE(exists("out.bin"));
}

TEST_F(CliDecompress, MalformedAreaClaimingGigabytesFailsWithoutFillingThem) {
    Lh5StreamWriter w;
    w.blockSize(1);
    w.singleSymbol(19, 5);  // no such symbol of the length code
    ASSERT_TRUE(writeFile(dir.path() / "in.lzh", w.area(0xFFFFFFFF)));
    EXPECT_EQ(run("decompress " + path("in.lzh") + " " + path("out.bin")), 1);
    EXPECT_NE(errors().find("names no symbol"), std::string::npos) << errors();
    EXPECT_FALSE(exists("out.bin"));
}

TEST_F(CliDecompress, MissingFilesAndBadUsage) {
    EXPECT_EQ(run("decompress " + path("missing.lzh") + " " + path("out.bin")), 4);
    EXPECT_FALSE(exists("out.bin"));
    const RandomStream stream = makeRandomStream(7, 1);
    ASSERT_TRUE(writeFile(dir.path() / "in.lzh", stream.area));
    EXPECT_EQ(run("decompress " + path("in.lzh") + " " + path("no-such-folder/out.bin")), 4);
    EXPECT_EQ(run("decompress " + path("in.lzh")), 2);
}

}  // namespace
}  // namespace quarnel::test
