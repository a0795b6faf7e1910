// quarnel-cli compress, run as a user runs it: the area it writes, and the
// exit statuses when nothing can be written.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>

#include "lzh/encode_inputs.h"
#include "lzh/lzh.h"
#include "support/test_files.h"

namespace quarnel::test {
namespace {

std::string quoted(const std::string& text) {
    std::string out(1, '\'');
    out.append(text).push_back('\'');
    return out;
}

class CliCompress : public testing::Test {
protected:
    TempDir dir;
    std::string path(const std::string& name) const { return quoted((dir.path() / name).string()); }
    bool exists(const std::string& name) const { return std::filesystem::exists(dir.path() / name); }

    int run(const std::string& arguments) const {
        std::string command = quoted(QUARNEL_CLI);
        command.append(" ").append(arguments).append(" >/dev/null 2>&1");
        const int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
};

TEST_F(CliCompress, WritesTheCompressedArea) {
    const Bytes input = mixedInput();
    ASSERT_TRUE(writeFile(dir.path() / "in.bin", input));
    ASSERT_EQ(run("compress " + path("in.bin") + " " + path("out.lzh")), 0);

    Bytes expected(input.size() + lzh::EncodeOverhead);
    expected.resize(lzh::LzhEncode(input, expected).size);
    EXPECT_EQ(readFile(dir.path() / "out.lzh"), expected);
}

TEST_F(CliCompress, CutShortStreamIsNeverWritten) {
    ASSERT_TRUE(writeFile(dir.path() / "in.bin", randomBytes(5000, 1)));
    EXPECT_EQ(run("compress " + path("in.bin") + " " + path("out.lzh")), 1);
    EXPECT_FALSE(exists("out.lzh"));
}

TEST_F(CliCompress, MissingInputAndBadUsage) {
    EXPECT_EQ(run("compress " + path("missing.bin") + " " + path("out.lzh")), 4);
    EXPECT_FALSE(exists("out.lzh"));
    EXPECT_EQ(run("compress " + path("missing.bin")), 2);
}

}  // namespace
}  // namespace quarnel::test
