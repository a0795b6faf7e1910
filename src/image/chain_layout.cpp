#include "chain_layout.h"

#include <algorithm>
#include <cstring>

#include "image_layout.h"

namespace quarnel::image {

ChainDirection chainDirection(const ModuleChain& chain) {
    int upMinusDown = 0;
    for (std::size_t i = 1; i < chain.blocks.size(); ++i)
        upMinusDown += chain.blocks[i].headerOffset > chain.blocks[i - 1].headerOffset ? 1 : -1;
    if (upMinusDown != 0) return upMinusDown > 0 ? ChainDirection::BottomUp : ChainDirection::TopDown;
    std::uint32_t highestEnd = 0;
    for (const ModuleBlock& block : chain.blocks) highestEnd = std::max(highestEnd, block.blockEnd());
    return chain.blocks.empty() || highestEnd == chain.moduleAreaEnd() ? ChainDirection::TopDown
                                                                        : ChainDirection::BottomUp;
}

bool laidOutAsRebuilt(const ModuleChain& chain) {
    std::uint32_t top = chain.moduleAreaEnd();
    for (std::size_t i = 0; i < chain.blocks.size(); ++i) {
        const std::uint32_t end = chain.blocks[i].blockEnd();
        if (i == 0 ? end != top : end > top) return false;
        top = chain.blocks[i].blockStart();
    }
    return true;
}

bool placedOnPurpose(const ModuleBlock& block) {
    constexpr std::uint32_t Page = 0x1000;
    if (block.flags & FixedPlaceFlag) return true;
    return !block.compressed && (block.headerOffset % Page == 0 || block.dataOffset() % Page == 0);
}

namespace {

// Free room runs over hundreds of KiB: eight bytes are tested at a time.
bool eightFF(std::span<const std::uint8_t> bytes, std::uint32_t at) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + at, sizeof word);
    return word == ~std::uint64_t{0};
}

}  // namespace

std::uint32_t runOfFFUp(std::span<const std::uint8_t> bytes, std::uint32_t from, std::uint32_t limit) {
    std::uint32_t at = from;
    while (at < limit && limit - at >= 8 && eightFF(bytes, at)) at += 8;
    while (at < limit && bytes[at] == 0xFF) ++at;
    return at - from;
}

std::uint32_t runOfFFDown(std::span<const std::uint8_t> bytes, std::uint32_t from, std::uint32_t limit) {
    std::uint32_t at = from;
    while (at > limit && at - limit >= 8 && eightFF(bytes, at - 8)) at -= 8;
    while (at > limit && bytes[at - 1] == 0xFF) --at;
    return from - at;
}

}  // namespace quarnel::image
