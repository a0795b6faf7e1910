// Loads arbitrary module chains. The input lies at the start of a 64 KiB
// image whose directory sits near the top and links to a header 8 bytes into
// the input, so every input is walked as a chain at once.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/rom_image.h"
#include "image/verify_image.h"

namespace {

constexpr std::size_t ImageSize = 0x10000;
constexpr std::size_t Directory = 0xFF00;
constexpr std::size_t FirstHeader = 8;

std::vector<std::uint8_t> imageAround(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> image(ImageSize, 0xFF);
    std::copy_n(data, std::min(size, Directory - 10), image.begin());
    const char signature[] = "AMIBIOSC";
    std::copy_n(signature, 8, image.begin() + Directory);
    image[Directory + 12] = 2;  // checksum units
    // Linear address of the header: file offset + 1 MiB - image size.
    const std::uint32_t linear = FirstHeader + 0x100000 - ImageSize;
    image[Directory + 18] = linear & 0xF;
    image[Directory + 19] = 0;
    image[Directory + 20] = static_cast<std::uint8_t>(linear >> 4);
    image[Directory + 21] = static_cast<std::uint8_t>(linear >> 12);
    return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> bytes = imageAround(data, size);
    quarnel::image::verifyImage(bytes);
    quarnel::image::RomImage image;
    const quarnel::Result result = quarnel::image::loadImageBytes(image, std::move(bytes));
    // A successful load leaves every entry's size matching its contents.
    if (result.ok())
        for (const auto& entry : image.modules)
            if (entry.size != quarnel::image::NoContents && entry.size != entry.data.size()) __builtin_trap();
    return 0;
}
