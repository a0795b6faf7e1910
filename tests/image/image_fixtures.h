// Images the container's tests share.
#pragma once

#include <cstdint>
#include <vector>

#include "image/rom_image.h"
#include "image/test_image_writer.h"

namespace quarnel::test {

inline constexpr std::uint32_t FixtureFileSize = 0x80000;
inline constexpr std::uint32_t FixtureDirectory = 0x7FF00;

// A chain with both link forms, stored modules by flag and by ID, odd
// lengths, compressed firmware code, a module without contents, and two
// modules sharing ID 6 that differ in their sub-identifiers. Scattered, it is
// neither contiguous nor in file order; laid out as rebuilt, each block lies
// right below the one before from the top of the module area down, above
// 64 KiB of 0xFF (the pattern below that).
enum class ChainLayout { Scattered, AsRebuilt };

struct MixedChain {
    std::vector<TestModule> modules;
    std::vector<std::vector<std::uint8_t>> contents;  // plain, per module
    std::vector<std::uint8_t> file;

    explicit MixedChain(std::uint16_t checksumUnits = 2, ChainLayout layout = ChainLayout::Scattered);

private:
    void add(TestModule module, std::vector<std::uint8_t> plain, bool compress);
};

// The data area of a compressed module without contents.
std::vector<std::uint8_t> noContentsArea();

// The image's bytes after both stages of the rebuild, in memory. A failure
// goes to *failure when given, and fails the test otherwise.
std::vector<std::uint8_t> rebuiltInMemory(image::RomImage& image, Result* failure = nullptr);

}  // namespace quarnel::test
