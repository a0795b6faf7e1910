#include "dmi/batch_rows.h"

#include <filesystem>
#include <map>
#include <set>

#include "dmi/identity_fields.h"

namespace quarnel::dmi {
namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

Result refuse(std::size_t line, const std::string& why) {
    return {Outcome::BadData, "line " + std::to_string(line) + ": " + why};
}

struct Record {
    std::size_t line = 0;
    std::vector<std::string> cells;
};

// RFC 4180 records: cells split by `separator`, CR LF or LF line ends,
// quotes around a cell that holds separators, quotes or line ends.
Result splitRecords(std::string_view csv, char separator, std::vector<Record>& records) {
    std::size_t line = 1;
    std::size_t i = 0;
    while (i < csv.size()) {
        Record record{line, {}};
        std::string cell;
        bool endOfRecord = false;
        while (!endOfRecord) {
            if (i < csv.size() && csv[i] == '"') {
                const std::size_t quoteLine = line;
                for (++i;; ++i) {
                    if (i >= csv.size())
                        return refuse(quoteLine, "a quote is never closed");
                    if (csv[i] == '"' && i + 1 < csv.size() && csv[i + 1] == '"') {
                        cell += '"';
                        ++i;
                    } else if (csv[i] == '"') {
                        ++i;
                        break;
                    } else {
                        if (csv[i] == '\n') ++line;
                        cell += csv[i];
                    }
                }
            }
            while (i < csv.size() && csv[i] != separator && csv[i] != '\n') {
                if (!(csv[i] == '\r' && (i + 1 == csv.size() || csv[i + 1] == '\n'))) cell += csv[i];
                ++i;
            }
            record.cells.push_back(std::move(cell));
            cell.clear();
            if (i < csv.size() && csv[i] == separator) {
                ++i;
                continue;
            }
            endOfRecord = true;
            if (i < csv.size()) ++i, ++line;  // the line end
        }
        const bool blank = record.cells.size() == 1 && record.cells[0].empty();
        if (!blank) records.push_back(std::move(record));
    }
    return {};
}

struct Column {
    enum Kind { Output, Field, Uuid } kind = Output;
    int type = 0;
    int row = 0;
};

// "output", "uuid" or "system-uuid", "typeT.R" (a row of a type) or a
// field's keyword.
std::optional<Column> columnNamed(const std::string& name) {
    if (name == "output") return Column{Column::Output};
    if (name == "uuid" || name == UuidKeyword) return Column{Column::Uuid};
    if (const IdentityField* field = fieldByKeyword(name)) return Column{Column::Field, field->type, field->row};
    if (name.size() == 7 && name.starts_with("type") && name[5] == '.' && identityField(name[4] - '0', name[6] - '0'))
        return Column{Column::Field, name[4] - '0', name[6] - '0'};
    return std::nullopt;
}

// Spreadsheets set to a locale that writes decimal commas save with
// semicolons: a header line with a semicolon and no comma is read so.
char separatorOf(std::string_view csv) {
    const std::string_view header = csv.substr(0, csv.find('\n'));
    return header.find(';') != std::string_view::npos && header.find(',') == std::string_view::npos ? ';' : ',';
}

// The name as a terminal can show it: control characters as \xNN.
std::string shownName(const std::string& name) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string shown;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F)
            shown.append("\\x").append(1, Hex[c >> 4]).append(1, Hex[c & 0xF]);
        else
            shown += ch;
    }
    return shown;
}

// Why the file system would not take the name as the one file it reads as:
// a NUL ends it early (two names would meet in one file), other control
// characters hide in listings, and a name ending in a folder ("a.rom/",
// "a/.") is no file. Empty when it is a plain name.
std::string badOutputName(const std::string& output) {
    for (std::size_t i = 0; i < output.size(); ++i) {
        const auto c = static_cast<unsigned char>(output[i]);
        if (c < 0x20 || c == 0x7F)
            return "the output \"" + shownName(output) + "\" holds a control character (code " + std::to_string(c) +
                   ") at byte " + std::to_string(i + 1) + ", which a file name must not";
    }
    if (!output.empty() && !std::filesystem::path(output).lexically_normal().has_filename())
        return "the output \"" + output + "\" ends in a folder, not a file";
    return {};
}

// Outputs stay inside the output folder.
bool staysInside(const std::string& output) {
    const std::filesystem::path path(output);
    if (output.empty() || path.is_absolute() || path.has_root_name()) return false;
    for (const auto& part : path.lexically_normal())
        if (part == "..") return false;
    return !path.lexically_normal().empty() && path.lexically_normal() != ".";
}

}  // namespace

Result readBatchRows(std::string_view csv, std::vector<BatchRow>& rows) {
    rows.clear();
    // Spreadsheets save UTF-8 with a byte order mark in front.
    if (csv.starts_with(ByteOrderMark)) csv.remove_prefix(ByteOrderMark.size());
    std::vector<Record> records;
    if (Result r = splitRecords(csv, separatorOf(csv), records); !r.ok()) return r;
    if (records.empty()) return refuse(1, "the file has no header row");

    std::vector<Column> columns;
    std::set<std::string> seen;
    for (const std::string& name : records[0].cells) {
        const std::optional<Column> column = columnNamed(name);
        if (!column)
            return refuse(records[0].line, "unknown column \"" + name +
                                               "\" (known: output, uuid, type1.1 to type1.6, type2.1 to type2.5, type3.1 to "
                                               "type3.4, and the fields' keywords such as system-serial-number)");
        if (!seen.insert(name).second) return refuse(records[0].line, "the column \"" + name + "\" appears twice");
        columns.push_back(*column);
    }
    if (!seen.count("output")) return refuse(records[0].line, "the header has no \"output\" column");

    std::map<std::string, std::size_t> outputs;
    for (std::size_t k = 1; k < records.size(); ++k) {
        const Record& record = records[k];
        if (record.cells.size() > columns.size())
            return refuse(record.line, "the row has " + std::to_string(record.cells.size()) +
                                           " cells, the header " + std::to_string(columns.size()));
        BatchRow row{record.line, {}, {}, {}};
        for (std::size_t c = 0; c < record.cells.size(); ++c) {
            const std::string& cell = record.cells[c];
            if (columns[c].kind == Column::Output) row.output = cell;
            else if (cell.empty()) continue;
            else if (columns[c].kind == Column::Uuid) row.uuidText = cell;
            else row.fields.push_back({columns[c].type, columns[c].row, cell});
        }
        if (const std::string bad = badOutputName(row.output); !bad.empty()) return refuse(record.line, bad);
        if (!staysInside(row.output))
            return refuse(record.line, "the output \"" + row.output +
                                           "\" must be a relative name inside the output folder");
        const std::string key = std::filesystem::path(row.output).lexically_normal().string();
        if (auto [at, inserted] = outputs.emplace(key, record.line); !inserted)
            return refuse(record.line, "the output \"" + row.output + "\" is already written by line " +
                                           std::to_string(at->second));
        rows.push_back(std::move(row));
    }
    return {};
}

}  // namespace quarnel::dmi
