#include "support/firmware_images.h"

#include <algorithm>
#include <tuple>

#include "image/module_chain.h"
#include "support/test_files.h"

namespace quarnel::test {

namespace fs = std::filesystem;

const char* firmwareFolder() { return QUARNEL_FIRMWARE_DIR; }

std::vector<Firmware> firmwareImages() {
    std::vector<Firmware> images;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(firmwareFolder(), error))
        if (entry.is_regular_file() && entry.path().extension() != ".md")
            images.push_back({entry.path().filename().string(), entry.path(), readFile(entry.path())});
    std::sort(images.begin(), images.end(), [](const Firmware& a, const Firmware& b) { return a.name < b.name; });
    return images;
}

bool claimsDirectory(const std::vector<std::uint8_t>& bytes) {
    const auto at = image::findDirectory(bytes);
    return at && std::all_of(bytes.begin() + *at + 8, bytes.begin() + *at + 12, [](std::uint8_t c) {
               return c >= '0' && c <= '9';
           });
}

std::string changesBeyondModule(const std::vector<std::uint8_t>& input, const std::vector<std::uint8_t>& edited,
                                std::uint8_t moduleId) {
    using image::ModuleBlock;
    const image::ModuleChain was = image::describeModuleChain(input), is = image::describeModuleChain(edited);
    if (!was.result.ok() || !is.result.ok() || was.blocks.size() != is.blocks.size()) return "the chains differ";
    std::vector<std::pair<std::uint32_t, std::uint32_t>> spans = {{was.directoryOffset + 14, was.directoryOffset + 22}};
    for (std::size_t i = 0; i < was.blocks.size(); ++i) {
        const ModuleBlock &a = was.blocks[i], &b = is.blocks[i];
        const bool edit = a.moduleId == moduleId && a.subId1 == 0 && a.subId2 == 0;
        if (!edit && (std::tie(a.moduleId, a.flags, a.subId1, a.subId2, a.size16, a.dataSize) !=
                          std::tie(b.moduleId, b.flags, b.subId1, b.subId2, b.size16, b.dataSize) ||
                      !std::equal(input.begin() + a.dataOffset(), input.begin() + a.blockEnd(),
                                  edited.begin() + b.dataOffset())))
            return image::moduleName(a) + " changed";
        if (edit || a.headerOffset != b.headerOffset)
            spans.insert(spans.end(), {{a.blockStart(), a.blockEnd()}, {b.blockStart(), b.blockEnd()}});
        if (a.headerOffset != b.headerOffset && i > 0) {
            const ModuleBlock& holder = is.blocks[i - 1];
            spans.insert(spans.end(), {{holder.blockStart() + 4, holder.blockStart() + 8},
                                       {holder.headerOffset, holder.headerOffset + 4}});
        }
    }
    for (std::uint32_t at = 0; at < input.size(); ++at)
        if (input[at] != edited[at] &&
            std::none_of(spans.begin(), spans.end(), [at](const auto& s) { return s.first <= at && at < s.second; }))
            return "byte " + std::to_string(at) + " changed outside the edit";
    return {};
}

}  // namespace quarnel::test
