#include "pack_batch.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <vector>

#include "command.h"
#include "dmi/batch_pack.h"
#include "dmi/batch_rows.h"
#include "dmi/dmi_messages.h"
#include "dmi/uuid_text.h"
#include "image/file_io.h"
#include "platform.h"
#include "typed_text.h"

namespace quarnel::cli {
namespace {

namespace fs = std::filesystem;

Result rowEdits(const dmi::BatchRow& row, dmi::DmiEdits& edits) {
    for (const dmi::FieldEdit& edit : row.fields)
        if (Result r = checkTypedText(edit); !r.ok()) return r;
    edits.fields = row.fields;
    if (row.uuidText) {
        edits.uuid = dmi::parseUuidText(*row.uuidText);
        if (!edits.uuid) return {Outcome::BadData, std::string("uuid: ") + dmi::messages::BadUuid};
    }
    return {};
}

Result packRow(dmi::BatchPacker& packer, const dmi::BatchRow& row, const fs::path& outDir,
               std::vector<std::string>& notes) {
    dmi::DmiEdits edits;
    if (Result r = rowEdits(row, edits); !r.ok()) return r;
    const fs::path output = outDir / image::filePath(row.output);
    std::error_code error;
    fs::create_directories(output.parent_path(), error);
    if (error)
        return {Outcome::CantOpen,
                "can't create the folder " + output.parent_path().string() + ": " + error.message()};
    return packer.packRow(edits, output.string(), notes);
}

// On a terminal, a line that is rewritten for each row.
class Progress {
public:
    explicit Progress(std::size_t total) : total_(total), shown_(standardErrorIsTerminal()) {}
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

bool sameFile(const fs::path& a, const fs::path& b) {
    return image::isSameFile(a.string(), b.string());
}

// No row may overwrite the image or the file the rows come from.
std::string overwrittenInput(const std::vector<dmi::BatchRow>& rows, const fs::path& outDir,
                             const std::string& romName, const std::string& csvName) {
    for (const dmi::BatchRow& row : rows)
        for (const std::string& input : {romName, csvName})
            if (sameFile(outDir / image::filePath(row.output), image::filePath(input)))
                return "line " + std::to_string(row.line) + ": the output \"" + row.output +
                       "\" would overwrite the input " + input;
    return {};
}

}  // namespace

int packBatch(const std::string& romName, const std::string& csvName, const std::string& outDir, bool force) {
    std::vector<std::uint8_t> csv;
    if (Result r = image::readWholeFile(csvName, csv); !r.ok())
        return reportFailure({r.outcome, csvName + ": " + r.message});
    std::vector<dmi::BatchRow> rows;
    if (Result r = dmi::readBatchRows({reinterpret_cast<const char*>(csv.data()), csv.size()}, rows);
        !r.ok()) {
        std::cerr << csvName << ", " << r.message << "; nothing was written\n";
        return ExitUsage;
    }
    const fs::path folder = image::filePath(outDir);
    if (const std::string refusal = overwrittenInput(rows, folder, romName, csvName); !refusal.empty()) {
        std::cerr << csvName << ", " << refusal << "; nothing was written\n";
        return ExitUsage;
    }
    std::error_code error;
    fs::create_directories(folder, error);
    if (error || !fs::is_directory(folder)) {
        std::cerr << "can't create the folder " << outDir << (error ? ": " + error.message() : "") << '\n';
        return ExitCantOpen;
    }

    dmi::BatchPacker packer;
    if (Result r = packer.load(romName, force, [](const std::string& warning) { std::cerr << warning << '\n'; }); !r.ok()) return reportFailure(r);

    Progress progress(rows.size());
    std::size_t failed = 0;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const dmi::BatchRow& row = rows[k];
        progress.row(k + 1, row.output);
        std::vector<std::string> notes;
        const Result packed = packRow(packer, row, folder, notes);
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
