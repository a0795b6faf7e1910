#include "lone_module.h"

#include "block_checksum.h"
#include "hex_text.h"
#include "module_chain.h"
#include "module_reading.h"
#include "verify_image.h"

namespace quarnel::image {
namespace {

const ModuleBlock* findBlock(const ModuleChain& chain, std::uint8_t moduleId, std::uint16_t subId2,
                             std::uint16_t subId1) {
    for (const ModuleBlock& block : chain.blocks)
        if (block.moduleId == moduleId && block.subId2 == subId2 && block.subId1 == subId1) return &block;
    return nullptr;
}

// `decode`: whether the modules are still to be decoded for the check; a
// chain that loaded whole has decoded them all.
void collectDamageElsewhere(std::span<const std::uint8_t> bytes, const ModuleBlock& block, bool decode,
                            LoneModule& module) {
    const std::string own = moduleName(block) + ":";
    for (std::string& fault : verifyImage(bytes, decode).faults)
        if (fault.compare(0, own.size(), own) != 0) module.damageElsewhere.push_back(std::move(fault));
}

}  // namespace

Result readLoneModule(std::span<const std::uint8_t> bytes, std::uint8_t moduleId, std::uint16_t subId2,
                      std::uint16_t subId1, LoneModule& module) {
    module = {};
    const ModuleChain chain = describeModuleChain(bytes);
    if (!chain.result.ok()) return chain.result;
    module.directoryVersion = chain.directoryVersion;
    const ModuleBlock* block = findBlock(chain, moduleId, subId2, subId1);
    if (!block)
        return {Outcome::BadData, "Can't find Module ID " + hexText(moduleId, 2) +
                                      (subId1 || subId2 ? " (" + hexText(subId1, 4) + ", " + hexText(subId2, 4) + ")"
                                                        : std::string())};
    if (!blockChecksumHolds(bytes, chain.generation, block->blockStart(), block->blockLength()))
        return {Outcome::BadData, moduleName(*block) + ": the block checksum does not match"};
    // A chain that loads whole gives the module as every other command reads it.
    RomImage whole;
    const bool loaded =
        loadImageBytes(whole, std::vector<std::uint8_t>(bytes.begin(), bytes.end()), LoadFor::EditInPlace).ok();
    if (const ModuleEntry* entry = loaded ? findModule(whole, moduleId, subId2, subId1) : nullptr)
        module.entry = *entry;
    else if (Result r = readModule(bytes, *block, module.entry); !r.ok())
        return r;
    collectDamageElsewhere(bytes, *block, !loaded, module);
    return {};
}

std::string damageElsewhereNote(const std::string& fileName, const std::string& moduleLabel,
                                const std::vector<std::string>& damage) {
    std::string note = fileName + " is damaged outside " + moduleLabel + ", which is sound and was read:";
    for (const std::string& fault : damage) note += "\n  " + fault;
    return note + "\nThis looks like a bad chip read: read the chip again before writing this image back";
}

}  // namespace quarnel::image
