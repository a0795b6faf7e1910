// What the seed corpora are made from: the sample image's sources alone
// (Debian's seabios code, option ROM and ACPI table, and the sample DMI
// module), never third-party firmware.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quarnel::fuzz {

using Bytes = std::vector<std::uint8_t>;
// A target's seeds: each input with the name of its file.
using Seeds = std::vector<std::pair<std::string, Bytes>>;

struct SeedSources {
    Bytes bios;            // seabios's BIOS code
    Bytes vga;             // an option ROM
    Bytes tables;          // an ACPI table
    Bytes dmiModule;       // the sample's module 6
    Bytes amidmiModule;    // its table behind an "_AMIDMI_" header
    Bytes structureTable;  // that table alone
};

// False, saying why on the standard error stream, when seabios's files
// can't be read.
bool readSeedSources(SeedSources& sources);

Bytes slice(const Bytes& bytes, std::size_t from, std::size_t length);
// Bytes that compress little, from a seed of the caller's.
Bytes noise(std::size_t length, std::uint32_t state);
void putLe16(Bytes& bytes, std::size_t at, std::uint32_t value);
void putLe32(Bytes& bytes, std::size_t at, std::uint32_t value);

}  // namespace quarnel::fuzz
