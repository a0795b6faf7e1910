#include "chain_seeds.h"

#include <algorithm>
#include <optional>
#include <string>

#include "image/directory_generation.h"
#include "image/image_layout.h"
#include "image/module_areas.h"
#include "image_fuzz_input.h"
#include "lzh/lzh.h"

namespace quarnel::fuzz {
namespace {

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
    const auto linear = static_cast<std::uint32_t>(fileOffset + quarnel::image::LinkWindow - ImageSize);
    return (linear & 0xF) | (linear >> 4) << 16;
}

Bytes chainInput(const ChainSeed& seed) {
    using namespace quarnel::image;
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

}  // namespace

Seeds chainSeeds(const SeedSources& s) {
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

}  // namespace quarnel::fuzz
