#include "dmi/batch_pack.h"

#include <new>

#include "dmi/dmi_messages.h"
#include "dmi/dmi_workflow.h"
#include "image/file_io.h"
#include "image/input_check.h"

namespace quarnel::dmi {
namespace {

std::size_t module6Index(const image::RomImage& image) {
    std::size_t i = 0;
    while (i < image.modules.size() && !(image.modules[i].moduleId == DmiModuleId && image.modules[i].subId1 == 0 &&
                                         image.modules[i].subId2 == 0))
        ++i;
    return i;
}

}  // namespace

Result BatchPacker::load(const std::string& romName, bool force,
                         const std::function<void(const std::string&)>& warn) {
    // Every row is written from this input, so it is checked as Pack checks its own.
    const image::CheckedLoad checked = image::loadCheckedImage(session_.image, romName, force);
    if (!checked.result.ok()) return checked.faults.empty() ? loadFailure(checked.result, romName) : checked.result;
    if (!checked.faults.empty()) warn(image::forcedDamageMessage(romName, checked.faults));
    if (Result r = readLoadedDmi(session_); !r.ok()) return r;
    if (!session_.packable) {
        std::string message = romName + " can't take DMI changes:";
        for (const std::string& problem : session_.problems) message += "\n" + problem;
        return {Outcome::BadData, message};
    }
    module6Index_ = module6Index(session_.image);
    module6Flags_ = module6Flags(session_.image);
    return image::prepareModuleAreas(session_.image.modules, areas_);
}

Result BatchPacker::packRow(const DmiEdits& edits, const std::string& outputName,
                            std::vector<std::string>& notes) {
    DmiState state;
    DmiWorkBuffer buffer;
    image::RomImage image;
    try {
        state = session_.state;
        buffer = session_.workBuffer;
        image = session_.image;
    } catch (const std::bad_alloc&) {
        return {Outcome::NoMemory, "not enough memory for a copy of the loaded image (" +
                                              std::to_string(session_.image.bytes.size() / 1024) +
                                              " KiB and its modules)"};
    }
    if (Result r = applyEdits(state, edits, notes); !r.ok()) return r;
    if (Result r = writeBackDmi(state, buffer, std::nullopt); !r.ok()) return r;
    if (!image::replaceModule(image, DmiModuleId, 0, 0, module6Flags_, buffer.bytes).ok())
        return {Outcome::BadData, messages::CouldNotInsert};
    if (Result r = image::prepareModuleArea(module6Index_, image.modules[module6Index_],
                                            areas_[module6Index_]);
        !r.ok())
        return r;
    if (Result r = image::placeModuleAreas(image, areas_); !r.ok()) return r;
    return image::writeFileAtomically(outputName, image.bytes);
}

}  // namespace quarnel::dmi
