// Writes the fuzz targets' seed corpora, one folder per target under the
// folder given, from the project's own data alone: the sample image's
// sources (Debian's seabios code and tables, the sample DMI module) and
// chains laid out here as the builders lay them. Whatever a run of the
// generator wrote before is replaced.
//
//   fuzz_seeds OUT_DIR
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "dmi/parse_dmi_module.h"
#include "dmi/smbios_dump.h"
#include "image/directory_generation.h"
#include "image/image_layout.h"
#include "image/module_areas.h"
#include "image_fuzz_input.h"
#include "lzh/lzh.h"
#include "sample/sample_dmi_module.h"
#include "sample/sample_image.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Seeds = std::vector<std::pair<std::string, Bytes>>;

struct Sources {
    Bytes bios;    // seabios's BIOS code
    Bytes vga;     // an option ROM
    Bytes tables;  // an ACPI table
    Bytes dmiModule;       // the sample's module 6
    Bytes amidmiModule;    // its table behind an "_AMIDMI_" header
    Bytes structureTable;  // that table alone
};

bool readFile(const fs::path& path, Bytes& bytes) {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
    return in.good() || in.eof();
}

Bytes slice(const Bytes& bytes, std::size_t from, std::size_t length) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                 bytes.begin() + static_cast<std::ptrdiff_t>(from + length));
}

Bytes text(std::size_t length) {
    const std::string words = "Northwind Computers Inc. NW-4200 Desktop To Be Filled By O.E.M. American Megatrends ";
    Bytes bytes;
    for (std::size_t i = 0; bytes.size() < length; ++i) bytes.push_back(static_cast<std::uint8_t>(words[i % words.size()]));
    return bytes;
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

bool readSources(Sources& sources) {
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

std::optional<Bytes> compressedArea(const Bytes& contents) {
    Bytes area(contents.size() + quarnel::lzh::EncodeOverhead);
    quarnel::lzh::LzhEncoded encoded;
    if (!quarnel::lzh::LzhEncode(contents, area, encoded).ok() || !encoded.complete) return std::nullopt;
    area.resize(encoded.size);
    return area;
}

// --- The image target: chains laid out in the fuzzer's 64 KiB frame.

struct ChainModule {
    std::uint8_t id = 0;
    std::uint8_t flags = 0;
    std::uint16_t subId1 = 0, subId2 = 0;
    Bytes contents;
    std::optional<Bytes> rawArea{};  // a data area as it stands, instead of one made from the contents
};

enum class Layout { TopDown, BottomUp };

struct ChainSeed {
    std::string name;
    unsigned generation = 0;  // the choice's remainder: 0800, 0700, 06xx
    Layout layout = Layout::TopDown;
    std::vector<ChainModule> modules;
    std::size_t edited = 0;
    std::uint8_t edit = 0;               // k of image_fuzz_input.h
    bool directoryHolds = true;
    std::size_t gap = 0;                 // 0xFF bytes between blocks
    std::optional<std::size_t> room{};   // the free room's bytes, ended by a byte that is not 0xFF; none: open
};

// The choice that gives the generation and edits the module asked for,
// when one does.
std::uint8_t choiceFor(const ChainSeed& seed) {
    for (unsigned c = 0; c < 256; ++c)
        if (c % 3 == seed.generation && c % seed.modules.size() == seed.edited) return static_cast<std::uint8_t>(c);
    return static_cast<std::uint8_t>(seed.generation);
}

// The data areas as the builders make them: each compressed module encoded
// from the buffer the ones before it leave.
std::vector<Bytes> dataAreas(const ChainSeed& seed, quarnel::image::DirectoryGeneration generation) {
    using namespace quarnel::image;
    ModuleList list;
    for (const ChainModule& module : seed.modules) {
        ModuleEntry entry;
        entry.moduleId = module.id;
        entry.flags = module.flags;
        entry.data = module.contents;
        entry.size = static_cast<std::uint32_t>(entry.data.size());
        entry.compressed = isCompressedModule(module.id, module.flags) && !module.rawArea;
        list.push_back(std::move(entry));
    }
    std::vector<Bytes> areas;
    for (std::size_t i = 0; i < list.size(); ++i) {
        ModuleArea area;
        const quarnel::lzh::TextBuffer carried = textCarriedTo(list, i);
        if (!prepareModuleArea(i, list[i], area, 1, &carried).ok()) area.encoded.clear();
        Bytes bytes = seed.modules[i].rawArea ? *seed.modules[i].rawArea
                                              : area.compressed ? area.encoded : list[i].data;
        if (area.compressed && generation == DirectoryGeneration::V0800) bytes.resize((bytes.size() + 3) & ~3u, 0xFF);
        areas.push_back(std::move(bytes));
    }
    return areas;
}

std::uint32_t linkTo(std::size_t fileOffset) {
    const auto linear = static_cast<std::uint32_t>(fileOffset + quarnel::image::LinkWindow - quarnel::fuzz::ImageSize);
    return (linear & 0xF) | (linear >> 4) << 16;
}

Bytes chainInput(const ChainSeed& seed) {
    using namespace quarnel::image;
    using namespace quarnel::fuzz;
    const std::uint8_t choice = choiceFor(seed);
    const DirectoryGeneration generation = generationOf(directoryVersion(choice));
    const std::uint32_t prefix = blockPrefixSize(generation);
    const std::size_t areaEnd = Directory - gapBelowDirectory(generation);
    const std::vector<Bytes> areas = dataAreas(seed, generation);

    Bytes image(ImageSize, 0xFF);
    std::vector<std::size_t> headers;
    std::size_t cursor = seed.layout == Layout::TopDown ? areaEnd : 0;
    for (std::size_t i = 0; i < areas.size(); ++i) {
        const std::size_t length = prefix + HeaderSize + areas[i].size();
        const std::size_t start = seed.layout == Layout::TopDown ? cursor - length : cursor;
        cursor = seed.layout == Layout::TopDown ? start - seed.gap : start + length + seed.gap;
        const std::size_t header = start + prefix;
        headers.push_back(header);
        if (prefix) putLe32(image, start + DataSizeField, static_cast<std::uint32_t>(areas[i].size()));
        const ChainModule& module = seed.modules[i];
        putLe16(image, header + Size16Field, static_cast<std::uint32_t>(std::min<std::size_t>(areas[i].size(), 0xFFFF)));
        image[header + ModuleIdField] = module.id;
        image[header + FlagsField] = module.flags;
        putLe16(image, header + SubId1Field, module.subId1);
        putLe16(image, header + SubId2Field, module.subId2);
        std::copy(areas[i].begin(), areas[i].end(), image.begin() + static_cast<std::ptrdiff_t>(header + HeaderSize));
    }
    for (std::size_t i = 0; i < headers.size(); ++i)
        putLe32(image, headers[i] + NextField, i + 1 < headers.size() ? linkTo(headers[i + 1]) : 0xFFFFFFFF);

    // The bytes from the free room's end to the chain's far end.
    const std::size_t room = seed.room.value_or(64);
    std::size_t from = 0, to = areaEnd;
    if (seed.layout == Layout::TopDown) {
        const std::size_t lowest = cursor + seed.gap;
        from = lowest - room - (seed.room ? 1 : 0);
        if (seed.room) image[from] = 0x00;
    } else {
        to = cursor - seed.gap + room + (seed.room ? 1 : 0);
        if (seed.room) image[to - 1] = 0x00;
    }
    std::uint8_t shape = BlockChecksumsHold | static_cast<std::uint8_t>(seed.edit << EditShift);
    if (seed.layout == Layout::TopDown) shape |= TopAligned;
    if (seed.directoryHolds) shape |= DirectoryChecksumHolds;
    Bytes input = {choice, shape, static_cast<std::uint8_t>(headers[0]), static_cast<std::uint8_t>(headers[0] >> 8)};
    input.insert(input.end(), image.begin() + static_cast<std::ptrdiff_t>(from),
                 image.begin() + static_cast<std::ptrdiff_t>(to));
    return input;
}

Seeds imageSeeds(const Sources& s) {
    const ChainModule code{0x00, 0x00, 0, 0, slice(s.bios, 0, 0x1000)};
    const ChainModule dmi{0x06, 0x00, 0, 0, s.amidmiModule};
    const ChainModule vga{0x11, 0x00, 0x8086, 0x1234, slice(s.vga, 0, 0x800)};
    const ChainModule tables{0x40, 0x00, 0, 0, s.tables};
    const ChainModule storedCode{0x1B, quarnel::image::StoredFlag, 0, 1, slice(s.bios, 0x8000, 0x400)};
    const ChainModule noContents{0x22, 0x00, 0, 0, {}, Bytes{9, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0}};
    const std::vector<ChainModule> sample = {code, dmi, vga, tables, storedCode};
    const std::vector<ChainModule> storedFirst = {tables, storedCode, code, dmi, noContents, vga};

    const std::vector<ChainSeed> layouts = {
        {"sample-top-down-unedited", 0, Layout::TopDown, sample, 1, 0},
        {"sample-top-down-byte-changed", 0, Layout::TopDown, sample, 1, 1},
        {"sample-top-down-grown", 0, Layout::TopDown, sample, 1, 4},
        {"sample-top-down-slide", 0, Layout::TopDown, sample, 1, 9, true, 0, 300},
        {"sample-top-down-full", 0, Layout::TopDown, sample, 1, 9, true, 0, 0},
        {"bottom-up-stored-first", 0, Layout::BottomUp, storedFirst, 3, 2, true, 16},
        {"bottom-up-stored-first-moved", 0, Layout::BottomUp, storedFirst, 3, 9, true, 16},
        {"bottom-up-slide", 0, Layout::BottomUp, storedFirst, 2, 9, true, 0, 300},
        {"dmi-alone", 0, Layout::TopDown, {dmi}, 0, 1},
    };
    const char* const generations[] = {"0800", "0700", "06xx"};
    Seeds seeds;
    for (unsigned generation = 0; generation < 3; ++generation)
        for (ChainSeed seed : layouts) {
            seed.generation = generation;
            seeds.emplace_back(std::string(generations[generation]) + "-" + seed.name, chainInput(seed));
        }
    ChainSeed stale = layouts[0];
    stale.directoryHolds = false;
    seeds.emplace_back("0800-stale-directory-checksum", chainInput(stale));
    return seeds;
}

// --- The other targets.

Seeds dmiSeeds(const Sources& s) {
    return {{"sample-module", s.dmiModule}, {"amidmi-module", s.amidmiModule},
            {"amidmi-no-room", slice(s.amidmiModule, 0, 16 + s.structureTable.size())}};
}

Seeds smbiosSeeds(const Sources& s) {
    Seeds seeds;
    quarnel::dmi::DmiSession session;
    Bytes dump;
    if (quarnel::dmi::parseDmiModule(session, s.amidmiModule).ok() &&
        quarnel::dmi::buildSmbiosDump(s.amidmiModule, session.state.signatureOffset, dump).ok()) {
        dump.insert(dump.begin(), 0);
        seeds.emplace_back("dump", dump);
    }
    // Forms 1 to 3: the table behind an entry point of each kind.
    for (std::uint8_t form = 1; form <= 3; ++form) {
        Bytes table = s.structureTable;
        table.insert(table.begin(), form);
        seeds.emplace_back("table-form-" + std::to_string(form), table);
    }
    return seeds;
}

Seeds lzhDecodeSeeds(const Sources& s) {
    const std::pair<const char*, Bytes> kinds[] = {
        {"code", slice(s.bios, 0, 0x1000)}, {"code-16k", slice(s.bios, 0x4000, 0x4000)},
        {"option-rom", slice(s.vga, 0, 0x2000)}, {"tables", s.tables}, {"dmi", s.amidmiModule},
        {"text", text(3000)}, {"zeros", Bytes(0x2000, 0)}, {"empty", {}}, {"noise-short", noise(40, 7)},
    };
    Seeds seeds;
    for (const auto& [name, contents] : kinds)
        if (auto area = compressedArea(contents)) seeds.emplace_back(name, std::move(*area));
    return seeds;
}

// The first byte is the expansion mode and size, the second's bit 7 asks
// for the chunked encoding (lzh_encode_fuzzer.cpp).
Seeds lzhEncodeSeeds(const Sources& s) {
    const auto with = [](std::initializer_list<std::uint8_t> head, const Bytes& rest) {
        Bytes bytes(head);
        bytes.insert(bytes.end(), rest.begin(), rest.end());
        return bytes;
    };
    return {
        {"code", with({0x00}, slice(s.bios, 0, 0x800))},
        {"dmi", with({0x00}, s.amidmiModule)},
        {"text", with({0x00}, text(1500))},
        {"repeated-code", with({0x3D, 0x00}, slice(s.bios, 0x200, 0x300))},            // 16 KiB
        {"script", with({0x3E, 0x00}, slice(s.bios, 0x1000, 0x180))},                  // 16 KiB
        {"chunked-code", with({0x7D, 0x80 | 0x02}, slice(s.bios, 0x2000, 0x1000))},    // 32 KiB on 2 threads
        {"noise", with({0x00}, noise(300, 11))},
    };
}

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

Seeds csvSeeds() {
    return {
        {"readme", bytesOf("output,type1.4,uuid\n"
                           "pc-001.rom,SN-0001,4C4C4544003010398032B8C04F4A4E31\n"
                           "pc-002.rom,SN-0002,4C4C4544003010398032B8C04F4A4E32\n")},
        {"every-column",
         bytesOf("\xEF\xBB\xBF"
                 "output,type1.1,type1.2,type1.3,type1.4,type3.1,type3.2,type3.3,type3.4,uuid\r\n"
                 "images/a.rom,\"Northwind, Inc.\",NW-4200,Rev 1.02,SN-1,Northwind,\"Ver \"\"2\"\"\",CH-1,Asset-1,"
                 "A36F1E52-9B04-D211-8C41-001E8C3D7A95\r\n"
                 "b.rom,,,,,,,,,\r\n")},
    };
}

bool writeSeeds(const fs::path& root, const std::string& target, const Seeds& seeds) {
    const fs::path folder = root / target;
    std::error_code error;
    fs::remove_all(folder, error);
    fs::create_directories(folder, error);
    for (const auto& [name, bytes] : seeds) {
        std::ofstream out(folder / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "fuzz_seeds: %s can't be written\n", (folder / name).c_str());
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds OUT_DIR\n");
        return 2;
    }
    Sources sources;
    if (!readSources(sources)) return 4;
    const fs::path root = argv[1];
    const std::pair<const char*, Seeds> corpora[] = {
        {"fuzz_image_load", imageSeeds(sources)},   {"fuzz_dmi_parse", dmiSeeds(sources)},
        {"fuzz_smbios_table", smbiosSeeds(sources)}, {"fuzz_lzh_decode", lzhDecodeSeeds(sources)},
        {"fuzz_lzh_encode", lzhEncodeSeeds(sources)}, {"fuzz_batch_rows", csvSeeds()},
    };
    for (const auto& [target, seeds] : corpora)
        if (!writeSeeds(root, target, seeds)) return 4;
    return 0;
}
