#include "image_files.h"

#include <vector>

#include "file_io.h"
#include "image/module_chain.h"

namespace quarnel::platform {

Result loadImage(image::RomImage& image, const std::string& fileName) {
    image::unloadImage(image);
    std::vector<std::uint8_t> bytes;
    if (Result r = readWholeFile(fileName, bytes); !r.ok()) return r;
    Result result = image::loadImageBytes(image, std::move(bytes));
    if (result.outcome == Outcome::NoDirectory) result.message = image::noDirectoryMessage(fileName);
    return result;
}

image::CheckedLoad loadCheckedImage(image::RomImage& image, const std::string& fileName, bool force,
                                    image::LoadFor purpose) {
    image::unloadImage(image);
    std::vector<std::uint8_t> bytes;
    if (Result r = readWholeFile(fileName, bytes); !r.ok()) return {r, {}};
    return image::loadCheckedBytes(image, fileName, std::move(bytes), force, purpose);
}

Result rebuildImage(image::RomImage& image, const std::string& fileName, unsigned threads) {
    if (Result r = image::rebuildImageInPlace(image, threads); !r.ok()) return r;
    return writeFileAtomically(fileName, image.bytes);
}

}  // namespace quarnel::platform
