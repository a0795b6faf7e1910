#include "dmi/batch_pack.h"

#include <new>

#include "dmi/dmi_workflow.h"
#include "image/module_placement.h"
#include "platform/file_io.h"

namespace quarnel::dmi {

Result BatchPacker::load(const std::string& romName, bool force,
                         const std::function<void(const std::string&)>& warn, unsigned threads) {
    threads_ = threads;
    // Every row is written from this input, so it is checked as Pack checks its own.
    if (Result r = extractForPack(session_, romName, force, warn); !r.ok()) return r;
    if (!session_.packable) {
        std::string message = romName + " can't take DMI changes:";
        for (const std::string& problem : session_.problems) message += "\n" + problem;
        return {Outcome::BadData, message};
    }
    module6Index_ = module6Index(session_.image);
    carried_ = image::textCarriedTo(session_.image.modules, module6Index_);
    return {};
}

Result BatchPacker::packRow(const DmiEdits& edits, const std::string& outputName,
                            std::vector<std::string>& notes) {
    DmiState state;
    DmiWorkBuffer buffer;
    image::ModuleEntry module6;
    std::vector<std::uint8_t> packed;
    try {
        state = session_.state;
        buffer = session_.workBuffer;
        module6 = session_.image.modules[module6Index_];
    } catch (const std::bad_alloc&) {
        return {Outcome::NoMemory, "not enough memory for a copy of the DMI module"};
    }
    if (Result r = applyEdits(state, edits, notes); !r.ok()) return r;
    if (Result r = writeBackDmi(state, buffer, std::nullopt); !r.ok()) return r;
    // Contents as read keep their block: the image is written as it was read.
    if (buffer.bytes == session_.extractedModule) return platform::writeFileAtomically(outputName, session_.image.asRead);
    module6.data = std::move(buffer.bytes);
    module6.size = static_cast<std::uint32_t>(module6.data.size());
    image::ModuleArea area;
    if (Result r = image::prepareModuleArea(module6Index_, module6, area, threads_, &carried_); !r.ok()) return r;
    if (Result r = image::placeModule(session_.image, module6Index_, module6, area, packed); !r.ok()) return r;
    return platform::writeFileAtomically(outputName, packed);
}

}  // namespace quarnel::dmi
