// Batch files as pack --batch reads them. Whatever rows are taken name
// plain relative files inside the output folder, each a file of its own,
// edit only rows 1 to 4 of types 1 and 3, and come back the same when they
// are written out as CSV again and read back.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "dmi/batch_rows.h"

namespace {

using quarnel::dmi::BatchRow;

std::string quoted(const std::string& cell) {
    std::string out = "\"";
    for (const char c : cell) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + '"';
}

// The rows as CSV with every column, each cell quoted.
std::string written(const std::vector<BatchRow>& rows) {
    std::string csv = "output,type1.1,type1.2,type1.3,type1.4,type3.1,type3.2,type3.3,type3.4,uuid\n";
    for (const BatchRow& row : rows) {
        std::string cells[8];
        for (const auto& edit : row.fields) cells[(edit.type == 3 ? 4 : 0) + edit.row - 1] = edit.text;
        csv += quoted(row.output);
        for (const std::string& cell : cells) csv += "," + quoted(cell);
        csv += "," + quoted(row.uuidText.value_or("")) + "\n";
    }
    return csv;
}

std::map<std::pair<int, int>, std::string> fieldsOf(const BatchRow& row) {
    std::map<std::pair<int, int>, std::string> fields;
    for (const auto& edit : row.fields) fields[{edit.type, edit.row}] = edit.text;
    return fields;
}

bool plainName(const std::string& output) {
    for (const char c : output)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    const std::filesystem::path normal = std::filesystem::path(output).lexically_normal();
    if (normal.is_absolute() || !normal.has_filename()) return false;
    for (const auto& part : normal)
        if (part == "..") return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<BatchRow> rows;
    if (!quarnel::dmi::readBatchRows({reinterpret_cast<const char*>(data), size}, rows).ok()) return 0;

    std::set<std::string> files;
    std::size_t line = 0;
    for (const BatchRow& row : rows) {
        if (!plainName(row.output) || row.line <= line) __builtin_trap();
        line = row.line;
        if (!files.insert(std::filesystem::path(row.output).lexically_normal().string()).second) __builtin_trap();
        for (const auto& edit : row.fields)
            if ((edit.type != 1 && edit.type != 3) || edit.row < 1 || edit.row > 4 || edit.text.empty())
                __builtin_trap();
    }

    std::vector<BatchRow> again;
    if (!quarnel::dmi::readBatchRows(written(rows), again).ok() || again.size() != rows.size()) __builtin_trap();
    for (std::size_t k = 0; k < rows.size(); ++k)
        if (again[k].output != rows[k].output || fieldsOf(again[k]) != fieldsOf(rows[k]) ||
            again[k].uuidText != rows[k].uuidText)
            __builtin_trap();
    return 0;
}
