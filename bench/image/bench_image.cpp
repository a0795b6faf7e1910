#include "bench_image.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "image/rom_image.h"
#include "platform/image_files.h"

namespace quarnel::bench {
namespace {

constexpr std::uint32_t ImageSize = 0x100000;
constexpr std::uint32_t Directory = 0xFFF00;
constexpr std::size_t ChunkSize = 32 * 1024;

struct Source {
    const char* path;
    std::size_t offset;
    std::size_t length;
};

// About 600 KiB: x86 firmware, then x86-64 library code.
constexpr Source Sources[] = {
    {QUARNEL_SEABIOS_DIR "/bios-256k.bin", 0x14000, 0x2C000},
    {QUARNEL_SEABIOS_DIR "/vgabios-stdvga.bin", 0, 39936},
    {QUARNEL_SEABIOS_DIR "/vgabios-cirrus.bin", 0, 39424},
    {"/usr/lib/x86_64-linux-gnu/libQt6Core.so.6", 0x100000, 0x58000},
};

bool readPart(const Source& source, std::vector<std::uint8_t>& out) {
    std::ifstream in(source.path, std::ios::binary);
    out.assign(source.length, 0);
    in.seekg(static_cast<std::streamoff>(source.offset));
    in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(source.length));
    if (in.gcount() == static_cast<std::streamsize>(source.length)) return true;
    std::cerr << "Can't read " << source.length << " bytes of " << source.path << '\n';
    return false;
}

std::vector<std::uint8_t> emptyImage() {
    std::vector<std::uint8_t> bytes(ImageSize, 0xFF);
    const char signature[] = "AMIBIOSC";
    std::copy_n(signature, 8, bytes.begin() + Directory);
    bytes[Directory + 12] = 2;                           // checksum units
    std::fill_n(bytes.begin() + Directory + 18, 4, 0xFF);  // empty chain
    return bytes;
}

}  // namespace

bool writeBenchImage(const std::string& fileName) {
    image::RomImage rom;
    if (!image::loadImageBytes(rom, emptyImage()).ok()) return false;
    std::uint8_t moduleId = 0x10;
    for (const Source& source : Sources) {
        std::vector<std::uint8_t> part;
        if (!readPart(source, part)) return false;
        // Module-sized pieces, the first of each source stored.
        for (std::size_t at = 0; at < part.size(); at += ChunkSize) {
            const auto end = part.begin() + static_cast<std::ptrdiff_t>(std::min(part.size(), at + ChunkSize));
            const std::vector<std::uint8_t> chunk(part.begin() + static_cast<std::ptrdiff_t>(at), end);
            const std::uint8_t flags = at == 0 ? image::StoredFlag : 0;
            if (!image::replaceModule(rom, moduleId++, 0, 0, flags, chunk).ok()) return false;
        }
    }
    const Result written = platform::rebuildImage(rom, fileName);
    if (!written.ok()) std::cerr << written.message << '\n';
    return written.ok();
}

}  // namespace quarnel::bench
