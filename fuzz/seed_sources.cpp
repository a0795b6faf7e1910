#include "seed_sources.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "sample/sample_dmi_module.h"
#include "sample/sample_image.h"

namespace quarnel::fuzz {
namespace {

namespace fs = std::filesystem;

bool readFile(const fs::path& path, Bytes& bytes) {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
    return in.good() || in.eof();
}

// The structures from the module's 16-byte header to the end of the type
// 127 structure.
Bytes structureTableOf(const Bytes& module) {
    constexpr std::size_t HeaderSize = 16;
    std::size_t at = HeaderSize;
    for (bool last = false; !last && at + 4 <= module.size();) {
        last = module[at] == 127;
        at += module[at + 1];
        while (at + 1 < module.size() && (module[at] || module[at + 1])) ++at;
        at += 2;
    }
    return slice(module, HeaderSize, std::min(at, module.size()) - HeaderSize);
}

// "_AMIDMI_", 03 02 01 01 00, the table's end as an offset in the module,
// a zero byte, the table at 16, and the room the BIOS keeps after it.
Bytes amidmiModuleAround(const Bytes& table) {
    Bytes module = {'_', 'A', 'M', 'I', 'D', 'M', 'I', '_', 0x03, 0x02, 0x01, 0x01, 0x00, 0, 0, 0x00};
    putLe16(module, 13, static_cast<std::uint32_t>(16 + table.size()));
    module.insert(module.end(), table.begin(), table.end());
    module.resize(module.size() + 512, 0x00);
    return module;
}

}  // namespace

Bytes slice(const Bytes& bytes, std::size_t from, std::size_t length) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                 bytes.begin() + static_cast<std::ptrdiff_t>(from + length));
}

Bytes noise(std::size_t length, std::uint32_t state) {
    Bytes bytes;
    while (bytes.size() < length) {
        state ^= state << 13, state ^= state >> 17, state ^= state << 5;
        bytes.push_back(static_cast<std::uint8_t>(state));
    }
    return bytes;
}

void putLe16(Bytes& bytes, std::size_t at, std::uint32_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void putLe32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    putLe16(bytes, at, value & 0xFFFF);
    putLe16(bytes, at + 2, value >> 16);
}

bool readSeedSources(SeedSources& sources) {
    const fs::path seabios = quarnel::sample::DefaultSeabiosDirectory;
    if (!readFile(seabios / "bios.bin", sources.bios) || sources.bios.size() < 0x10000 ||
        !readFile(seabios / "vgabios-stdvga.bin", sources.vga) || sources.vga.size() < 0x1000 ||
        !readFile(seabios / "acpi-dsdt.aml", sources.tables) || sources.tables.empty()) {
        std::fprintf(stderr, "fuzz_seeds: Debian's seabios files can't be read in %s (apt-get install seabios)\n",
                     seabios.c_str());
        return false;
    }
    sources.dmiModule = quarnel::sample::sampleDmiModule();
    sources.structureTable = structureTableOf(sources.dmiModule);
    sources.amidmiModule = amidmiModuleAround(sources.structureTable);
    return true;
}

}  // namespace quarnel::fuzz
