#include "support/firmware_images.h"

#include <algorithm>

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

}  // namespace quarnel::test
