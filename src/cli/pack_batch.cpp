#include "pack_batch.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <vector>

#include "command.h"
#include "dmi/batch_pack.h"
#include "dmi/batch_rows.h"
#include "dmi/dmi_messages.h"
#include "dmi/uuid_text.h"
#include "platform/file_io.h"
#include "platform/system.h"
#include "typed_text.h"

namespace quarnel::cli {
namespace {

namespace fs = std::filesystem;

Result rowEdits(const dmi::BatchRow& row, bool keepLengths, dmi::DmiEdits& edits) {
    edits.keepLengths = keepLengths;
    for (const dmi::FieldEdit& edit : row.fields)
        if (Result r = checkTypedText(edit); !r.ok()) return r;
    edits.fields = row.fields;
    if (row.uuidText) {
        edits.uuid = *row.uuidText == "random" ? dmi::randomUuid() : dmi::parseUuidArgument(*row.uuidText);
        if (!edits.uuid) return {Outcome::BadData, "uuid: \"" + *row.uuidText + "\" " + UuidArgumentForms};
    }
    return {};
}

// The batch's inputs: no row may write over them.
struct BatchInputs {
    std::vector<std::string> names;

    // The input the file at `path` is, by its name (links resolved) or as the
    // same file (a hard link); empty when none.
    std::string overwritten(const fs::path& path) const {
        std::error_code error;
        for (const std::string& name : names) {
            const fs::path input = fs::weakly_canonical(fs::absolute(platform::filePath(name), error), error);
            if ((!error && input == path) || platform::isSameFile(name, path.string())) return name;
        }
        return {};
    }
};

std::string overwriteRefusal(const dmi::BatchRow& row, const std::string& input) {
    return "the output \"" + row.output + "\" would overwrite the input " + input;
}

// Right before the write, the folders are made inside the output folder and
// the file it will be is checked again: things may have changed since the
// rows were read.
Result packRow(dmi::BatchPacker& packer, const dmi::BatchRow& row, const std::string& outDir, bool keepLengths,
               const BatchInputs& inputs, std::vector<std::string>& notes) {
    dmi::DmiEdits edits;
    if (Result r = rowEdits(row, keepLengths, edits); !r.ok()) return r;
    std::string target;
    if (Result r = platform::fileInsideFolder(outDir, row.output, true, target); !r.ok()) return r;
    if (const std::string input = inputs.overwritten(target); !input.empty())
        return {Outcome::CantWrite, overwriteRefusal(row, input)};
    return packer.packRow(edits, target, notes);
}

// On a terminal, a line that is rewritten for each row.
class Progress {
public:
    explicit Progress(std::size_t total) : total_(total), shown_(platform::standardErrorIsTerminal()) {}
    void row(std::size_t done, const std::string& output) {
        if (!shown_) return;
        std::string line = "packing " + std::to_string(done) + " of " + std::to_string(total_) + ": " + output;
        std::fprintf(stderr, "\r%-*.*s", Width, Width, line.c_str());
        std::fflush(stderr);
    }
    void clear() {
        if (shown_) std::fprintf(stderr, "\r%*s\r", Width, "");
    }

private:
    static constexpr int Width = 78;
    std::size_t total_;
    bool shown_;
};

// Every row's file as the file system will find it, before anything is
// written: none may be an input, lead out of the output folder, or be the
// file of another row (through a link). Empty, or why the rows are refused.
std::string plannedRefusal(const std::vector<dmi::BatchRow>& rows, const std::string& outDir,
                           const BatchInputs& inputs) {
    std::map<std::string, std::size_t> files;
    for (const dmi::BatchRow& row : rows) {
        const std::string line = "line " + std::to_string(row.line) + ": ";
        std::string target;
        if (Result r = platform::fileInsideFolder(outDir, row.output, false, target); !r.ok()) return line + r.message;
        if (const std::string input = inputs.overwritten(target); !input.empty())
            return line + overwriteRefusal(row, input);
        if (auto [at, inserted] = files.emplace(target, row.line); !inserted)
            return line + "the output \"" + row.output + "\" is the file line " + std::to_string(at->second) +
                   " writes, " + target;
    }
    return {};
}

}  // namespace

int packBatch(const BatchOptions& options) {
    const std::string& romName = options.romName;
    const std::string& csvName = options.csvName;
    const std::string& outDir = options.outDir;
    std::vector<std::uint8_t> csv;
    if (Result r = platform::readWholeFile(csvName, csv); !r.ok())
        return reportFailure({r.outcome, csvName + ": " + r.message});
    std::vector<dmi::BatchRow> rows;
    if (Result r = dmi::readBatchRows({reinterpret_cast<const char*>(csv.data()), csv.size()}, rows);
        !r.ok()) {
        std::cerr << csvName << ", " << r.message << "; nothing was written\n";
        return ExitUsage;
    }
    const BatchInputs inputs{{romName, csvName}};
    if (const std::string refusal = plannedRefusal(rows, outDir, inputs); !refusal.empty()) {
        std::cerr << csvName << ", " << refusal << "; nothing was written\n";
        return ExitUsage;
    }
    std::error_code error;
    fs::create_directories(platform::filePath(outDir), error);
    if (error || !fs::is_directory(platform::filePath(outDir))) {
        std::cerr << "can't create the folder " << outDir << (error ? ": " + error.message() : "") << '\n';
        return ExitCantOpen;
    }

    dmi::BatchPacker packer;
    const auto warn = [](const std::string& warning) { std::cerr << warning << '\n'; };
    if (Result r = packer.load(romName, options.force, warn, options.threads); !r.ok()) return reportFailure(r);

    Progress progress(rows.size());
    std::size_t failed = 0;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const dmi::BatchRow& row = rows[k];
        progress.row(k + 1, row.output);
        std::vector<std::string> notes;
        const Result packed = packRow(packer, row, outDir, options.keepLengths, inputs, notes);
        if (!notes.empty() || !packed.ok()) progress.clear();
        for (const std::string& note : notes) std::cerr << "line " << row.line << ": note: " << note << '\n';
        if (!packed.ok()) {
            ++failed;
            std::cerr << "line " << row.line << " (" << row.output << "): " << packed.message << '\n';
        }
    }
    progress.clear();
    std::cout << rows.size() << " rows: " << rows.size() - failed << " written, " << failed << " failed\n";
    return failed ? ExitBadData : ExitSuccess;
}

}  // namespace quarnel::cli
