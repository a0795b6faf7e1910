// What quarnel-cli leaves on the disk when asked to write where it must not,
// from a damaged input, or to standard output, when a batch names its files
// as it must not, or a file or a report is more than it can take: the exit
// status, the message, the files afterwards, and the input never changed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <string_view>

#include "image/module_chain.h"
#include "lzh/lzh.h"
#include "support/lh5_stream_writer.h"
#include "support/test_files.h"

namespace quarnel::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_view_literals;
using Bytes = std::vector<std::uint8_t>;

class CliFileSafety : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(run("sample s.rom").status, 0);
        input = readFile(file("s.rom"));
        ASSERT_FALSE(input.empty());
        rebuilt = run("rebuild s.rom -o -").out;

        Bytes damaged = input;
        const image::ModuleChain chain = image::describeModuleChain(damaged);
        ASSERT_TRUE(chain.result.ok());
        for (const image::ModuleBlock& block : chain.blocks)
            if (!block.compressed && block.dataSize > 0) damagedModule = image::moduleName(block);
        ASSERT_FALSE(damagedModule.empty());
        for (const image::ModuleBlock& block : chain.blocks)
            if (image::moduleName(block) == damagedModule) damaged[block.dataOffset()] ^= 0x01;
        ASSERT_TRUE(writeFile(file("damaged.rom"), damaged));
        ASSERT_TRUE(writeFile(file("contents.bin"), Bytes(100, 0x5A)));
        ASSERT_TRUE(writeFile(file("empty-4g.lzh"), Bytes{8, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    }

    fs::path file(const std::string& name) const { return dir.path() / name; }
    CommandRun run(const std::string& arguments) const { return shell(shellQuoted(QUARNEL_CLI) + " " + arguments); }
    CommandRun shell(const std::string& script) const {
        return runCommand("cd " + shellQuoted(dir.path().string()) + " && { " + script + "; }");
    }
    std::string text(const std::string& name) const {
        const Bytes bytes = readFile(file(name));
        return {bytes.begin(), bytes.end()};
    }

    TempDir dir;
    Bytes input;
    std::string rebuilt;  // s.rom rebuilt without change
    std::string damagedModule;
};

fs::file_type typeOf(const fs::path& path) { return fs::symlink_status(path).type(); }

// Prepares a case by writing one file.
std::function<void(const fs::path&)> withFile(const std::string& name, std::string_view text) {
    return [name, text](const fs::path& d) { ASSERT_TRUE(writeFile(d / name, Bytes(text.begin(), text.end()))); };
}

// A hard link leaves the system's own file as it is even if the check fails
// (the write replaces only the link's name); a symbolic link is used only
// where we can't write through it.
bool linkSeabiosCode(const fs::path& link) {
    const std::vector<fs::path> blobs = seabiosBlobs();
    if (blobs.empty()) return false;
    const fs::path code = blobs.front().parent_path() / "bios.bin";
    std::error_code error;
    fs::create_hard_link(code, link, error);
    if (!error) return true;
    if (::geteuid() == 0 || ::access(code.parent_path().c_str(), W_OK) == 0) return false;
    fs::create_symlink(code, link, error);
    return !error;
}

TEST_F(CliFileSafety, EachCommandRefusesOrWritesAsItMust) {
    const std::string longName(255, 'n');
    const bool seabiosLinked = linkSeabiosCode(file("seabios.bin"));
    fs::create_directory(file("batch"));
    const auto unchanged = [this](const std::string& name, const Bytes& before) {
        return [this, name, before](const fs::path&, const CommandRun&) { EXPECT_EQ(readFile(file(name)), before); };
    };
    const auto absent = [](const std::string& name) {
        return [name](const fs::path& d, const CommandRun&) { EXPECT_FALSE(fs::exists(fs::symlink_status(d / name))); };
    };
    const struct {
        const char* name;
        std::function<void(const fs::path&)> prepare;
        std::string arguments;
        int status;
        std::string message;  // in standard error
        std::function<void(const fs::path&, const CommandRun&)> check;
    } cases[] = {
        // Outputs that are not regular files stay as they are.
        {"character device", {}, "pack s.rom -o /dev/null", 4,
         "Can't create /dev/null: it is a character device, not a regular file",
         [](const fs::path&, const CommandRun&) { EXPECT_EQ(typeOf("/dev/null"), fs::file_type::character); }},
        {"FIFO", [](const fs::path& d) { ASSERT_EQ(::mkfifo((d / "fifo").c_str(), 0644), 0); },
         "rebuild s.rom -o fifo", 4, "Can't create fifo: it is a FIFO, not a regular file",
         [](const fs::path& d, const CommandRun&) { EXPECT_EQ(typeOf(d / "fifo"), fs::file_type::fifo); }},
        {"directory", [](const fs::path& d) { fs::create_directory(d / "folder"); }, "decompress empty-4g.lzh folder",
         4, "Can't create folder: it is a directory, not a regular file", {}},
        // A link is followed and kept; the file it names keeps its mode, and
        // its owner when root writes it.
        {"symbolic link to a read-only file",
         [](const fs::path& d) {
             ASSERT_TRUE(writeFile(d / "target.rom", Bytes(64, 1)));
             fs::permissions(d / "target.rom", fs::perms::owner_read);
             if (::geteuid() == 0) {
                 ASSERT_EQ(::chown((d / "target.rom").c_str(), 4321, 4321), 0);
             }
             fs::create_symlink("target.rom", d / "link.rom");
         },
         "rebuild s.rom -o link.rom", 0, "",
         [this](const fs::path& d, const CommandRun&) {
             EXPECT_EQ(typeOf(d / "link.rom"), fs::file_type::symlink);
             struct stat target {};
             ASSERT_EQ(::stat((d / "target.rom").c_str(), &target), 0);
             EXPECT_EQ(target.st_mode & 07777, 0400u);
             if (::geteuid() == 0) {
                 EXPECT_EQ(target.st_uid, 4321u);
             }
             EXPECT_TRUE(text("target.rom") == rebuilt);
         }},
        // The input is never an output, under any name.
        {"pack over its input", {}, "pack s.rom -o s.rom", 2, "s.rom would overwrite the input", {}},
        {"dump through a link to the input", [](const fs::path& d) { fs::create_symlink("s.rom", d / "in-link"); },
         "dmi s.rom --dump-bin in-link", 2, "in-link is s.rom: it would overwrite the input", {}},
        {"rebuild over a hard link of the input",
         [](const fs::path& d) { fs::create_hard_link(d / "s.rom", d / "hard.rom"); }, "rebuild s.rom -o hard.rom", 2,
         "hard.rom is s.rom: it would overwrite the input", {}},
        {"replace over its contents file", {}, "replace s.rom 8 0 0 contents.bin -o contents.bin", 2,
         "contents.bin would overwrite the input", [this](const fs::path&, const CommandRun&) {
             EXPECT_EQ(readFile(file("contents.bin")), Bytes(100, 0x5A));
         }},
        // A damaged input is not carried into an image with fresh checksums.
        {"pack from a damaged image", {}, "pack damaged.rom -o out.rom", 1, "damaged.rom is damaged; nothing was written",
         [this](const fs::path& d, const CommandRun& r) {
             EXPECT_FALSE(fs::exists(d / "out.rom"));
             EXPECT_NE(r.err.find(damagedModule + ": the block checksum does not match"), std::string::npos);
         }},
        {"rebuild from a damaged image", {}, "rebuild damaged.rom -o out.rom", 1, "--force writes it all the same",
         [](const fs::path& d, const CommandRun&) { EXPECT_FALSE(fs::exists(d / "out.rom")); }},
        {"replace in a damaged image", {}, "replace damaged.rom 8 0 0 contents.bin -o out.rom", 1, "is damaged",
         [](const fs::path& d, const CommandRun&) { EXPECT_FALSE(fs::exists(d / "out.rom")); }},
        {"rebuild from a damaged image by force", {}, "rebuild damaged.rom -o out.rom --force", 0,
         "warning: damaged.rom is damaged; written anyway",
         [](const fs::path& d, const CommandRun&) { EXPECT_TRUE(fs::exists(d / "out.rom")); }},
        {"pack from a damaged image by force", {}, "pack damaged.rom -o out.rom --force", 0,
         "warning: damaged.rom is damaged; written anyway",
         [](const fs::path& d, const CommandRun&) { EXPECT_TRUE(fs::exists(d / "out.rom")); }},
        // A stream read past its end.
        {"decompress an empty stream claiming 4 GiB", {}, "decompress empty-4g.lzh out.bin", 1,
         "empty-4g.lzh: the stream ends before 4294967295 bytes were decoded",
         [](const fs::path& d, const CommandRun&) { EXPECT_FALSE(fs::exists(d / "out.bin")); }},
        // "-" is standard output for every data-writing option.
        {"rebuild to standard output", {}, "rebuild s.rom -o -", 0, "Wrote -",
         [this](const fs::path&, const CommandRun& r) { EXPECT_EQ(r.out.size(), input.size()); }},
        {"pack to standard output", {}, "pack s.rom --type1 1=Piped -o -", 0, "Bios file - is created",
         [this](const fs::path&, const CommandRun& r) { EXPECT_EQ(r.out.size(), input.size()); }},
        {"replace to standard output", {}, "replace s.rom 8 0 0 contents.bin -o -", 0, "",
         [this](const fs::path&, const CommandRun& r) { EXPECT_EQ(r.out.size(), input.size()); }},
        {"dump to standard output", {}, "dmi s.rom --dump-bin -", 0, "",
         [](const fs::path&, const CommandRun& r) { EXPECT_EQ(r.out.rfind("_SM_", 0), 0u); }},
        // Names and reasons.
        {"an output name of 255 bytes", {}, "rebuild s.rom -o " + longName, 0, "",
         [this, longName](const fs::path&, const CommandRun&) { EXPECT_TRUE(text(longName) == rebuilt); }},
        {"an empty output name", {}, "rebuild s.rom -o ''", 2, "--output: an empty file name names no file", {}},
        {"an empty dump name", {}, "dmi s.rom --dump-bin ''", 2, "--dump-bin: an empty file name", {}},
        {"pack names a missing input and the reason", {}, "pack missing.rom", 4,
         "Can't open missing.rom: No such file or directory", {}},
        {"modules words it the same", {}, "modules missing.rom", 4, "Can't open missing.rom: No such file or directory",
         {}},
        {"pack names a file without a directory as modules does", {}, "pack contents.bin", 1,
         "No AMIBIOSC module directory in contents.bin", {}},
        {"an output in a missing folder", {}, "rebuild s.rom -o no-folder/out.rom", 4,
         "Can't create no-folder/out.rom: No such file or directory", {}},
        // Every output, defaulted ones too, against every file the command
        // reads, links and hard links followed.
        {"pack's default new.rom is the input", [](const fs::path& d) { fs::copy_file(d / "s.rom", d / "new.rom"); },
         "pack new.rom --type1 1=EVIL", 2, "new.rom would overwrite the input", unchanged("new.rom", input)},
        {"pack's default new.rom links to the input",
         [](const fs::path& d) { fs::remove(d / "new.rom"), fs::create_symlink("s.rom", d / "new.rom"); }, "pack s.rom",
         2, "new.rom is s.rom: it would overwrite the input", {}},
        {"pack's default new.rom is a hard link of the input",
         [](const fs::path& d) { fs::remove(d / "new.rom"), fs::create_hard_link(d / "s.rom", d / "new.rom"); },
         "pack s.rom", 2, "new.rom is s.rom: it would overwrite the input", {}},
        {"pack over its --from-dump table", [this](const fs::path&) { run("dmi s.rom --dump-bin old.bin"); },
         "pack s.rom -o old.bin --from-dump old.bin", 2, "old.bin would overwrite the input",
         [this](const fs::path&, const CommandRun&) { EXPECT_EQ(text("old.bin").rfind("_SM_", 0), 0u); }},
        {"extract over its ROM", {}, "extract s.rom 8 -o s.rom", 2, "s.rom would overwrite the input", {}},
        {"compress through a link to its input", [](const fs::path& d) { fs::create_symlink("contents.bin", d / "c"); },
         "compress contents.bin c", 2, "c is contents.bin", unchanged("contents.bin", Bytes(100, 0x5A))},
        {"decompress over a hard link of its input",
         [](const fs::path& d) { fs::create_hard_link(d / "empty-4g.lzh", d / "e.lzh"); },
         "decompress empty-4g.lzh e.lzh", 2, "e.lzh is empty-4g.lzh", {}},
        {"sample over the seabios code it reads", {}, "sample seabios.bin", seabiosLinked ? 2 : 0,
         seabiosLinked ? "seabios.bin is " : "", {}},
        // Batch rows, compared as normalised absolute paths and as files
        // before anything is written.
        {"a batch row that normalises to the ROM", withFile("m1.csv", "output\nnew/../s.rom\n"),
         "pack s.rom --batch m1.csv --out-dir .", 2, "would overwrite the input s.rom; nothing was written",
         absent("new")},
        {"a batch row that normalises to its CSV", withFile("m2.csv", "output\nx/../m2.csv\n"),
         "pack s.rom --batch m2.csv --out-dir .", 2, "would overwrite the input m2.csv", absent("x")},
        {"a batch row through a folder link that leads out",
         [](const fs::path& d) {
             fs::create_directory_symlink("..", d / "batch/up");
             withFile("m3.csv", "output\nup/evil.rom\n")(d);
         },
         "pack s.rom --batch m3.csv --out-dir batch", 2, "batch/up is a symbolic link that leads out of batch",
         absent("evil.rom")},
        {"a batch row that is a link leading out",
         [](const fs::path& d) {
             fs::create_symlink("../outside.rom", d / "batch/f.rom");
             withFile("m4.csv", "output\nf.rom\n")(d);
         },
         "pack s.rom --batch m4.csv --out-dir batch", 2, "leads out of batch", absent("outside.rom")},
        {"a batch row that is a hard link of the ROM",
         [](const fs::path& d) {
             fs::create_hard_link(d / "s.rom", d / "batch/h.rom");
             withFile("m5.csv", "output\nh.rom\n")(d);
         },
         "pack s.rom --batch m5.csv --out-dir batch", 2, "\"h.rom\" would overwrite the input s.rom", {}},
        {"batch names that a NUL cuts into one", withFile("m6.csv", "output\nx\0a.rom\nx\0b.rom\n"sv),
         "pack s.rom --batch m6.csv --out-dir batch", 2, "line 2: the output \"x\\x00a.rom\" holds a control character",
         absent("batch/x")},
        {"a batch name ending in a folder", withFile("m7.csv", "output\na.rom\na.rom/\n"),
         "pack s.rom --batch m7.csv --out-dir batch", 2, "line 3: the output \"a.rom/\" ends in a folder",
         absent("batch/a.rom")},
        {"two batch names of one file through a folder link",
         [](const fs::path& d) {
             fs::create_directory(d / "batch/d");
             fs::create_directory_symlink("d", d / "batch/dl");
             withFile("m8.csv", "output\nd/a.rom\ndl/a.rom\n")(d);
         },
         "pack s.rom --batch m8.csv --out-dir batch", 2, "line 3: the output \"dl/a.rom\" is the file line 2 writes",
         absent("batch/d/a.rom")},
        {"a spreadsheet's batch (BOM, CRLF) on one thread", withFile("m9.csv", "\xEF\xBB\xBFoutput,type1.4\r\nsub/9.rom,SN-9\r\n"),
         "pack s.rom --batch m9.csv --out-dir batch --threads 1", 0, "",
         [this](const fs::path&, const CommandRun& r) {
             EXPECT_EQ(r.out, "1 rows: 1 written, 0 failed\n");
             EXPECT_NE(run("dmi batch/sub/9.rom").out.find("\"SN-9\""), std::string::npos);
         }},
        // Reports, sizes and dumps.
        {"diff --json of a name that is not UTF-8", [](const fs::path& d) { fs::copy_file(d / "s.rom", d / "b\xFF.rom"); },
         "diff s.rom \"$(printf 'b\\377.rom')\" --json", 0, "",
         [](const fs::path&, const CommandRun& r) {
             const auto report = nlohmann::json::parse(r.out, nullptr, false);
             ASSERT_FALSE(report.is_discarded()) << r.out;
             EXPECT_EQ(report["b"]["file"], "b\xEF\xBF\xBD.rom");
         }},
        // A header that stops any parse at once: a build that read the file
        // first would not print gigabytes.
        {"a 4 GiB file is refused from its size",
         [](const fs::path& d) {
             withFile("big.rom", "output,unknown\n")(d);
             fs::resize_file(d / "big.rom", std::uintmax_t{4} << 30);
         },
         "modules big.rom", 4, "big.rom: it is 4294967296 bytes long", {}},
        {"diff of a 4 GiB file fails, never \"different\"", {}, "diff s.rom big.rom", 4, "4294967296 bytes", {}},
        {"a 4 GiB dump", {}, "pack s.rom --from-dump big.rom -o out.rom", 4, "4294967296 bytes", absent("out.rom")},
        {"dmi --json to a full standard output", {}, "dmi s.rom --json >/dev/full", 4,
         "Error writing to standard output", {}},
        {"modules to a full standard output", {}, "modules s.rom >/dev/full", 4, "Error writing to standard output", {}},
        {"verify to a full standard output", {}, "verify s.rom >/dev/full", 4, "Error writing to standard output", {}},
        {"diff to a full standard output", {}, "diff s.rom s.rom >/dev/full", 4, "Error writing to standard output", {}},
        {"a dump whose entry point fails its checksum",
         [this](const fs::path& d) {
             run("dmi s.rom --dump-bin bad.bin");
             Bytes dump = readFile(d / "bad.bin");
             dump.at(8) ^= 0x10;
             writeFile(d / "bad.bin", dump);
         },
         "pack s.rom -o out.rom --from-dump bad.bin", 1, "bad.bin: the entry point \"_SM_\" at offset 0 has a wrong checksum",
         absent("out.rom")},
        {"a dump's string bytes copied as they stand (CP1252 \"TM\" is 0x99)",
         withFile("tm.bin", "\x01\x08\0\0\x01\0\0\0Acme\x99\0\0\x7F\x04\0\0\0\0"sv),
         "pack s.rom -o out.rom --from-dump tm.bin", 0, "",
         [this](const fs::path&, const CommandRun&) {
             const auto report = nlohmann::json::parse(run("dmi out.rom --json").out, nullptr, false);
             EXPECT_EQ(report["type1"][0]["text"], "Acme\xC2\x99");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.prepare) c.prepare(dir.path());
        const CommandRun r = run(c.arguments);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        if (c.check) c.check(dir.path(), r);
        EXPECT_EQ(readFile(file("s.rom")), input);
        EXPECT_FALSE(fs::exists(file("-")));
        fs::remove(file("out.rom"));
        for (const auto& entry : fs::directory_iterator(dir.path()))
            EXPECT_NE(entry.path().filename().string().rfind(".quarnel-", 0), 0u) << entry.path();
    }
}

// An area of zeros that decodes to 1 GiB: the command is stopped while it
// writes, and its temporary file must go with it.
TEST_F(CliFileSafety, AnInterruptedWriteLeavesNoTemporaryFile) {
    Lh5StreamWriter w;
    w.blockSize(1);
    w.singleSymbol(0, 5);
    w.singleSymbol(0, 9);  // one zero byte
    w.singleSymbol(0, 4);
    for (int block = 0; block < 64; ++block) {  // 64 blocks of 65536 matches of 256 bytes at distance 1
        w.blockSize(0);
        w.singleSymbol(0, 5);
        w.singleSymbol(lzh::LitLenSymbols - 1, 9);
        w.singleSymbol(0, 4);
    }
    ASSERT_TRUE(writeFile(file("huge.lzh"), w.area(1u << 30)));

    for (const char* signal : {"INT", "TERM", "HUP"}) {
        SCOPED_TRACE(signal);
        // The shell starts a background job with SIGINT ignored, which the
        // command rightly keeps: env gives the job the default back.
        const CommandRun r = shell("env --default-signal=INT " + shellQuoted(QUARNEL_CLI) + " decompress huge.lzh out.bin & pid=$!; " +
                                   "for i in $(seq 500); do ls -A | grep -q '^.quarnel-' && break; sleep 0.01; done; " +
                                   "kill -" + signal + " $pid; wait $pid; echo $?");
        EXPECT_NE(r.out, "0\n") << "the decode ended before the signal came";
        EXPECT_FALSE(fs::exists(file("out.bin")));
        fs::remove(file("out.bin"));
        for (const auto& entry : fs::directory_iterator(dir.path()))
            EXPECT_NE(entry.path().filename().string().rfind(".quarnel-", 0), 0u) << entry.path();
    }
}

}  // namespace
}  // namespace quarnel::test
