// Batch files as pack --batch reads them. Whatever rows are taken name
// plain relative files inside the output folder, each a file of its own,
// edit only identity fields, and come back the same when they are written
// out as CSV again and read back.
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
#include "dmi/identity_fields.h"

namespace {

using quarnel::dmi::BatchRow;

std::string quoted(const std::string& cell) {
    std::string out = "\"";
    for (const char c : cell) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + '"';
}

// The column of each identity field, in the order of IdentityFields.
std::size_t columnOf(int type, int row) {
    std::size_t k = 0;
    while (quarnel::dmi::IdentityFields[k].type != type || quarnel::dmi::IdentityFields[k].row != row) ++k;
    return k;
}

// The rows as CSV with every column (the fields by keyword), each cell quoted.
std::string written(const std::vector<BatchRow>& rows) {
    std::string csv = "output";
    for (const auto& field : quarnel::dmi::IdentityFields) csv += std::string(",") + field.keyword;
    csv += ",uuid\n";
    for (const BatchRow& row : rows) {
        std::vector<std::string> cells(quarnel::dmi::IdentityFields.size());
        for (const auto& edit : row.fields) cells[columnOf(edit.type, edit.row)] = edit.text;
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
            if (!quarnel::dmi::identityField(edit.type, edit.row) || edit.text.empty())
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
