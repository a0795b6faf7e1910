// Loads arbitrary module chains. The input's first byte picks the
// directory's generation (06xx, 0700 or 0800), each walked and checked by
// its own rules; the rest lies at the start of a 64 KiB image whose
// directory sits near the top and links to a header 8 bytes into it, so
// every input is walked as a chain at once. A chain that loads has one of
// its modules, grown by a byte, put back in place, moved or slid: the
// result must load back with that module changed and every other as it was.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/directory_generation.h"
#include "image/image_layout.h"
#include "image/module_chain.h"
#include "image/module_placement.h"
#include "image/rom_image.h"
#include "image/verify_image.h"
#include "lzh/lzh.h"

namespace {

constexpr std::size_t ImageSize = 0x10000;
constexpr std::size_t Directory = 0xFF00;
constexpr std::size_t FirstHeader = 8;

// "0800", "0700", or "0600" to "0631".
std::string directoryVersion(std::uint8_t choice) {
    switch (choice % 3) {
        case 0: return "0800";
        case 1: return "0700";
        default: break;
    }
    const unsigned minor = choice / 3 % 32;
    return "06" + std::to_string(minor / 10) + std::to_string(minor % 10);
}

std::vector<std::uint8_t> imageAround(const std::string& version, const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> image(ImageSize, 0xFF);
    const auto generation = quarnel::image::generationOf(version);
    std::copy_n(data, std::min(size, Directory - quarnel::image::gapBelowDirectory(generation)), image.begin());
    const char signature[] = "AMIBIOSC";
    std::copy_n(signature, 8, image.begin() + Directory);
    std::copy_n(version.begin(), 4, image.begin() + Directory + quarnel::image::DirectoryVersionField);
    image[Directory + 12] = 2;  // checksum units
    // Linear address of the header: file offset + 1 MiB - image size.
    const std::uint32_t linear = FirstHeader + 0x100000 - ImageSize;
    image[Directory + 18] = linear & 0xF;
    image[Directory + 19] = 0;
    image[Directory + 20] = static_cast<std::uint8_t>(linear >> 4);
    image[Directory + 21] = static_cast<std::uint8_t>(linear >> 12);
    return image;
}

// A stream whose packedSize reaches past its block would decode other
// bytes once its neighbour changes; such chains are loaded, not edited.
bool streamsStayInTheirBlocks(const std::vector<std::uint8_t>& bytes) {
    for (const auto& block : quarnel::image::describeModuleChain(bytes).blocks)
        if (block.compressed && block.size != quarnel::image::NoContents &&
            quarnel::lzh::readAreaHeader(std::span(bytes).subspan(block.dataOffset()))->packedSize > block.dataSize)
            return false;
    return true;
}

void checkEditInPlace(const quarnel::image::RomImage& image, std::uint8_t choice) {
    using namespace quarnel::image;
    if (image.modules.empty() || !streamsStayInTheirBlocks(image.asRead)) return;
    const std::size_t index = choice % image.modules.size();
    ModuleEntry entry = image.modules[index];
    if (entry.size == NoContents || placedCompressed(entry) != entry.compressed) return;
    entry.data.push_back(choice);
    entry.size += 1;
    ModuleArea area;
    std::vector<std::uint8_t> out;
    if (!prepareModuleArea(index, entry, area, 1).ok() || !placeModule(image, index, entry, area, out).ok()) return;
    RomImage again;
    if (!loadImageBytes(again, out).ok() || again.modules.size() != image.modules.size()) __builtin_trap();
    for (std::size_t i = 0; i < image.modules.size(); ++i)
        if (again.modules[i].data != (i == index ? entry.data : image.modules[i].data)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string version = directoryVersion(data[0]);
    std::vector<std::uint8_t> bytes = imageAround(version, data + 1, size - 1);
    quarnel::image::verifyImage(bytes);
    quarnel::image::RomImage image;
    const quarnel::Result result = quarnel::image::loadImageBytes(image, std::move(bytes));
    if (!result.ok()) return 0;
    // A successful load walked the chain by the generation asked for, and
    // left every entry's size matching its contents.
    if (image.generation != quarnel::image::generationOf(version)) __builtin_trap();
    for (const auto& entry : image.modules)
        if (entry.size != quarnel::image::NoContents && entry.size != entry.data.size()) __builtin_trap();
    checkEditInPlace(image, data[0]);
    return 0;
}
