// The structures of an SMBIOS table, walked from its start: a formatted area
// whose second byte gives its length, then a set of NUL-terminated strings
// closed by one more NUL (two NULs when the set is empty). A structure
// names its strings by number, from 1; 0 names none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quarnel::dmi {

struct SmbiosStructure {
    std::size_t offset = 0;                   // in the table
    std::size_t end = 0;                      // past the string-set's closing NUL
    std::span<const std::uint8_t> formatted;  // header included
    std::vector<std::string> strings;         // string number n is strings[n - 1]

    std::uint8_t type() const { return formatted[0]; }
    // The byte at `at` of the formatted area; nothing when the structure
    // is too short to hold it.
    std::optional<std::uint8_t> byteAt(std::size_t at) const {
        if (at >= formatted.size()) return std::nullopt;
        return formatted[at];
    }
};

// The structure at `offset`, or nothing when it doesn't lie whole in the table.
std::optional<SmbiosStructure> structureAt(std::span<const std::uint8_t> table, std::size_t offset);

struct SmbiosWalk {
    std::vector<SmbiosStructure> structures;  // the end-of-table structure included
    bool ended = false;                       // the walk met the end-of-table structure
    std::optional<std::size_t> cutAt;         // the walk stopped at a structure that doesn't fit
    std::size_t end = 0;                      // past the last structure read
};

// Walks from the table's start to the end-of-table structure (type 127) or
// to the first structure that doesn't lie whole in the table.
SmbiosWalk walkStructures(std::span<const std::uint8_t> table);

// The first structure of that type, or null.
const SmbiosStructure* firstOfType(const SmbiosWalk& walk, std::uint8_t type);

// A structure's bytes as a table holds them: the formatted area, each string
// with its NUL, and the set's closing NUL.
void appendStructure(std::vector<std::uint8_t>& table, std::span<const std::uint8_t> formatted,
                     const std::vector<std::string>& strings);

}  // namespace quarnel::dmi
