#include "dmi/image_diff.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "dmi/dmi_reader.h"
#include "dmi/dmi_session.h"
#include "image/image_layout.h"
#include "image/module_chain.h"
#include "image/verify_image.h"
#include "platform/file_io.h"

namespace quarnel::dmi {
namespace {

struct Side {
    std::vector<std::uint8_t> bytes;
    image::ModuleChain chain;
    image::RomImage loaded;  // the contents; not loaded when the chain is corrupt
};

using Key = std::tuple<std::uint8_t, std::uint16_t, std::uint16_t, std::size_t>;

// Each block of the chain by its key, with its contents when loaded.
std::map<Key, std::size_t> keyedBlocks(const Side& side) {
    std::map<Key, std::size_t> keyed;
    std::map<std::tuple<std::uint8_t, std::uint16_t, std::uint16_t>, std::size_t> seen;
    for (std::size_t i = 0; i < side.chain.blocks.size(); ++i) {
        const image::ModuleBlock& b = side.chain.blocks[i];
        const std::size_t n = seen[{b.moduleId, b.subId1, b.subId2}]++;
        keyed[{b.moduleId, b.subId1, b.subId2, n}] = i;
    }
    return keyed;
}

ModuleFacts factsOf(const image::ModuleBlock& block) {
    return {block.compressed, block.flags, block.dataSize, block.size};
}

const std::vector<std::uint8_t>* contentsOf(const Side& side, std::size_t index) {
    if (!side.loaded.loaded || index >= side.loaded.modules.size()) return nullptr;
    return &side.loaded.modules[index].data;
}

void diffModules(const Side& a, const Side& b, ImageDiff& diff) {
    const auto keyedA = keyedBlocks(a), keyedB = keyedBlocks(b);
    std::map<Key, std::pair<std::optional<std::size_t>, std::optional<std::size_t>>> all;
    for (const auto& [key, i] : keyedA) all[key].first = i;
    for (const auto& [key, i] : keyedB) all[key].second = i;
    for (const auto& [key, pair] : all) {
        ModuleChange change;
        std::tie(change.moduleId, change.subId1, change.subId2, std::ignore) = key;
        if (pair.first) change.a = factsOf(a.chain.blocks[*pair.first]);
        if (pair.second) change.b = factsOf(b.chain.blocks[*pair.second]);
        if (!pair.first || !pair.second) {
            change.kind = pair.first ? ModuleChange::Kind::Removed : ModuleChange::Kind::Added;
            diff.modules.push_back(change);
            continue;
        }
        const auto* contentsA = contentsOf(a, *pair.first);
        const auto* contentsB = contentsOf(b, *pair.second);
        if (contentsA && contentsB) change.contentsEqual = *contentsA == *contentsB;
        const ModuleFacts &fa = *change.a, &fb = *change.b;
        const bool same = fa.compressed == fb.compressed && fa.flags == fb.flags && fa.dataSize == fb.dataSize &&
                          fa.size == fb.size && change.contentsEqual.value_or(false);
        if (!same) diff.modules.push_back(change);
    }
}

std::optional<DmiState> dmiOf(const Side& side, const std::string& fileName, std::string& note) {
    const image::ModuleEntry* module =
        side.loaded.loaded ? image::findModule(side.loaded, DmiModuleId, 0, 0) : nullptr;
    std::string problem;
    DmiReadResult read;
    if (!module) {
        problem = fileName + " has no readable module 6";
    } else {
        read = readDmiModule(module->data);
        if (!read.refusal.ok()) problem = fileName + ": " + read.refusal.message;
        else if (!read.signatureFound) problem = fileName + ": its module 6 has no \"American Megatrends\" signature";
    }
    if (!problem.empty()) {
        note += (note.empty() ? "" : "; ") + problem;
        return std::nullopt;
    }
    return std::move(read.state);
}

void diffDmi(const Side& a, const Side& b, ImageDiff& diff) {
    const std::optional<DmiState> stateA = dmiOf(a, diff.sides[0].fileName, diff.dmiNote);
    const std::optional<DmiState> stateB = dmiOf(b, diff.sides[1].fileName, diff.dmiNote);
    if (!stateA || !stateB) return;
    diff.fields = fieldChanges(*stateA, *stateB);
    if (stateA->uuid != stateB->uuid) diff.uuid = std::array<Uuid, 2>{stateA->uuid, stateB->uuid};
}

// Bytes covered by a module block in either chain are the chain's; the
// rest is compared byte for byte, and a longer file's tail differs whole.
void diffOutsideChain(const Side& a, const Side& b, ImageDiff& diff) {
    const std::size_t common = std::min(a.bytes.size(), b.bytes.size());
    std::vector<bool> inChain(common, false);
    for (const Side* side : {&a, &b})
        for (const image::ModuleBlock& block : side->chain.blocks)
            std::fill(inChain.begin() + std::min<std::size_t>(block.blockStart(), common),
                      inChain.begin() + std::min<std::size_t>(block.blockStart() + block.blockLength(), common), true);
    const bool hasDirectory = a.chain.result.outcome != Outcome::NoDirectory;
    const std::uint64_t directory = a.chain.directoryOffset;
    auto add = [&](std::uint64_t start, std::uint64_t end) {
        const bool inDirectory = hasDirectory && start < directory + image::DirectoryHeaderSize &&
                                 end > directory;
        diff.outsideChain.push_back({start, end, inDirectory});
    };
    for (std::size_t i = 0; i < common;) {
        if (inChain[i] || a.bytes[i] == b.bytes[i]) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < common && !inChain[i] && a.bytes[i] != b.bytes[i]) ++i;
        add(start, i);
    }
    if (a.bytes.size() != b.bytes.size()) add(common, std::max(a.bytes.size(), b.bytes.size()));
}

void describeSide(Side& side, ImageSide& out) {
    out.size = side.bytes.size();
    side.chain = image::describeModuleChain(side.bytes);
    if (side.chain.result.outcome != Outcome::NoDirectory)
        out.directoryVersion = side.chain.directoryVersion;
    if (!side.chain.result.ok()) {
        out.chainProblem = side.chain.result.message;
        side.chain.blocks.clear();
        return;
    }
    out.faults = image::verifyImage(side.bytes).faults;
    if (!image::loadImageBytes(side.loaded, side.bytes).ok()) side.loaded = {};
}

}  // namespace

Result diffImages(const std::string& fileA, const std::string& fileB, ImageDiff& diff) {
    diff = ImageDiff{};
    std::array<Side, 2> sides;
    const std::array<const std::string*, 2> names = {&fileA, &fileB};
    for (std::size_t k = 0; k < 2; ++k) {
        diff.sides[k].fileName = *names[k];
        if (Result r = platform::readWholeFile(*names[k], sides[k].bytes); !r.ok())
            return {r.outcome, *names[k] + ": " + r.message};
    }
    diff.identical = sides[0].bytes == sides[1].bytes;
    for (std::size_t k = 0; k < 2; ++k) describeSide(sides[k], diff.sides[k]);
    // A chain that can't be followed has no modules to pair up.
    if (sides[0].chain.result.ok() && sides[1].chain.result.ok()) diffModules(sides[0], sides[1], diff);
    diffDmi(sides[0], sides[1], diff);
    diffOutsideChain(sides[0], sides[1], diff);
    return {};
}

}  // namespace quarnel::dmi
