// Writes the fuzz targets' seed corpora, one folder per target under the
// folder given, from the sample image's sources (seed_sources.h). Whatever a
// run of the generator wrote before is replaced.
//
//   fuzz_seeds OUT_DIR
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "chain_seeds.h"
#include "dmi/parse_dmi_module.h"
#include "dmi/smbios_dump.h"
#include "lzh/lzh.h"
#include "seed_sources.h"

namespace {

namespace fs = std::filesystem;
using namespace quarnel::fuzz;

Bytes text(std::size_t length) {
    const std::string words = "Northwind Computers Inc. NW-4200 Desktop To Be Filled By O.E.M. American Megatrends ";
    Bytes bytes;
    for (std::size_t i = 0; bytes.size() < length; ++i) bytes.push_back(static_cast<std::uint8_t>(words[i % words.size()]));
    return bytes;
}

std::optional<Bytes> compressedArea(const Bytes& contents) {
    Bytes area(contents.size() + quarnel::lzh::EncodeOverhead);
    quarnel::lzh::LzhEncoded encoded;
    if (!quarnel::lzh::LzhEncode(contents, area, encoded).ok() || !encoded.complete) return std::nullopt;
    area.resize(encoded.size);
    return area;
}

Seeds dmiSeeds(const SeedSources& s) {
    return {{"sample-module", s.dmiModule}, {"amidmi-module", s.amidmiModule},
            {"amidmi-no-room", slice(s.amidmiModule, 0, 16 + s.structureTable.size())}};
}

Seeds smbiosSeeds(const SeedSources& s) {
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

Seeds lzhDecodeSeeds(const SeedSources& s) {
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
Seeds lzhEncodeSeeds(const SeedSources& s) {
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
    SeedSources sources;
    if (!readSeedSources(sources)) return 4;
    const fs::path root = argv[1];
    const std::pair<const char*, Seeds> corpora[] = {
        {"fuzz_image_load", chainSeeds(sources)},   {"fuzz_dmi_parse", dmiSeeds(sources)},
        {"fuzz_smbios_table", smbiosSeeds(sources)}, {"fuzz_lzh_decode", lzhDecodeSeeds(sources)},
        {"fuzz_lzh_encode", lzhEncodeSeeds(sources)}, {"fuzz_batch_rows", csvSeeds()},
    };
    for (const auto& [target, seeds] : corpora)
        if (!writeSeeds(root, target, seeds)) return 4;
    return 0;
}
