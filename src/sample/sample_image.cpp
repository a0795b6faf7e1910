#include "platform/image_files.h"
#include "sample/sample_image.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "image/image_layout.h"
#include "platform/file_io.h"
#include "sample/sample_dmi_module.h"

namespace quarnel::sample {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t BootBlockSize = 0x10000;
constexpr std::uint16_t DirectoryChecksumUnits = 4;

struct SeabiosFiles {
    Bytes bios;    // bios.bin: 128 KiB of BIOS code
    Bytes vga;     // vgabios-stdvga.bin: a VGA option ROM
    Bytes tables;  // acpi-dsdt.aml: an ACPI table
};

Result readSeabiosFile(const std::string& directory, const char* name, Bytes& bytes) {
    const std::string path = directory + "/" + name;
    Result read = platform::readWholeFile(path, bytes);
    if (!read.ok())
        return {Outcome::CantOpen, "The sample image is built from Debian's seabios package, but " + path +
                                              " can't be read (install it with: apt-get install seabios)"};
    return {};
}

constexpr const char* SeabiosFileNames[] = {"bios.bin", "vgabios-stdvga.bin", "acpi-dsdt.aml"};

Result readSeabios(const std::string& directory, SeabiosFiles& files) {
    Bytes* const contents[] = {&files.bios, &files.vga, &files.tables};
    for (std::size_t i = 0; i < std::size(SeabiosFileNames); ++i)
        if (Result r = readSeabiosFile(directory, SeabiosFileNames[i], *contents[i]); !r.ok()) return r;
    if (files.bios.size() < 2 * BootBlockSize)
        return {Outcome::BadData, directory + "/bios.bin is smaller than 128 KiB"};
    return {};
}

image::ModuleEntry module(std::uint8_t id, std::uint8_t flags, std::uint16_t subId1, std::uint16_t subId2,
                          Bytes contents, bool compressed) {
    image::ModuleEntry entry;
    entry.size = static_cast<std::uint32_t>(contents.size());
    entry.moduleId = id;
    entry.flags = flags;
    entry.subId1 = subId1;
    entry.subId2 = subId2;
    entry.data = std::move(contents);
    entry.compressed = compressed;
    return entry;
}

Bytes slice(const Bytes& bytes, std::size_t from, std::size_t length) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                 bytes.begin() + static_cast<std::ptrdiff_t>(from + length));
}

// The chain in order: compressed code, the DMI data, an option ROM, a module
// kept stored by its ID and one stored by its flags.
image::ModuleList sampleModules(const SeabiosFiles& files) {
    image::ModuleList modules;
    modules.push_back(module(0x00, 0x00, 0, 0, slice(files.bios, 0, 0x8000), true));
    modules.push_back(module(0x06, 0x00, 0, 0, sampleDmiModule(), true));
    modules.push_back(module(0x11, 0x00, 0x8086, 0x1234, files.vga, true));
    modules.push_back(module(0x40, 0x00, 0, 0, files.tables, false));
    modules.push_back(module(0x1B, image::StoredFlag, 0, 1, slice(files.bios, 0x8000, 0x1000), false));
    modules.push_back(module(0x08, 0x00, 0, 0, slice(files.bios, 0x9000, 0x7000), true));
    return modules;
}

// The boot block (the top 64 KiB of the BIOS code, reset vector included)
// above the directory; the directory header with an empty chain; 0xFF below,
// all of it room for the chain.
std::vector<std::uint8_t> emptyImage(const SeabiosFiles& files) {
    Bytes bytes(SampleImageSize, 0xFF);
    std::copy(files.bios.end() - BootBlockSize, files.bios.end(), bytes.end() - BootBlockSize);
    const auto directory = bytes.begin() + SampleDirectoryOffset;
    std::copy(image::DirectorySignature.begin(), image::DirectorySignature.end(), directory);
    std::memcpy(&*directory + image::DirectoryVersionField, "0800", image::DirectoryVersionLength);
    writeU16(bytes, SampleDirectoryOffset + image::ChecksumUnitsField, DirectoryChecksumUnits);
    writeU32(bytes, SampleDirectoryOffset + image::DirectoryChecksumField, 0);
    writeU32(bytes, SampleDirectoryOffset + image::FirstModuleField, 0xFFFFFFFF);  // an empty chain
    std::fill_n(directory - image::GapBelowDirectory, image::GapBelowDirectory, 0x00);
    return bytes;
}

}  // namespace

std::vector<std::string> sampleSourceFiles(const std::string& seabiosDirectory) {
    std::vector<std::string> paths;
    for (const char* name : SeabiosFileNames) paths.push_back(seabiosDirectory + "/" + name);
    return paths;
}

Result writeSampleImage(const std::string& fileName, const std::string& seabiosDirectory) {
    SeabiosFiles files;
    if (Result r = readSeabios(seabiosDirectory, files); !r.ok()) return r;
    image::RomImage rom;
    if (Result r = image::loadImageBytes(rom, emptyImage(files)); !r.ok()) return r;
    rom.modules = sampleModules(files);
    return platform::rebuildImage(rom, fileName);
}

}  // namespace quarnel::sample
