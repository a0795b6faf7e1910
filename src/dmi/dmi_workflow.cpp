#include "dmi/dmi_workflow.h"

#include "dmi/dmi_edit.h"
#include "dmi/dmi_messages.h"
#include "dmi/parse_dmi_module.h"
#include "dmi/uuid_text.h"
#include "image/file_io.h"
#include "image/input_check.h"

namespace quarnel::dmi {
namespace {

// A file that can't be read or holds no directory says so in its own words,
// which name the file and the reason (the window shows its own text for
// these outcomes); a corrupt chain is put after the file's name.
image::ImageResult loadFailure(const image::ImageResult& result, const std::string& fileName) {
    if (result.outcome == image::Outcome::NoDirectory || result.outcome == image::Outcome::CantOpen) return result;
    return {result.outcome, fileName + ": " + result.message};
}

// The UUID to write: the one asked for, or the held one.
image::ImageResult uuidToWrite(const PackRequest& request, std::optional<Uuid>& uuid) {
    const std::optional<std::string> text = request.uuidText ? request.uuidText() : std::nullopt;
    if (!text) return {};
    uuid = parseUuidText(*text);
    if (!uuid) return {image::Outcome::BadData, messages::BadUuid};
    return {};
}

// The input as it is now: sound (or forced), and holding the very module 6
// that Extract read, so one board's identity never goes into another's image.
image::ImageResult loadForPack(DmiSession& session, const PackRequest& request) {
    const image::CheckedLoad checked = image::loadCheckedImage(session.image, request.inputName, request.force);
    if (!checked.result.ok()) {
        // A damaged input is told as it is; the window has no text of its own for it.
        if (!checked.faults.empty()) return checked.result;
        return loadFailure(checked.result, request.inputName);
    }
    if (!checked.faults.empty() && request.warn)
        request.warn(image::forcedDamageMessage(request.inputName, checked.faults));
    const image::ModuleEntry* module = image::findModule(session.image, DmiModuleId, 0, 0);
    if (!module || module->data != session.extractedModule)
        return {image::Outcome::BadData, notExtractedImageMessage(request.inputName)};
    return {};
}

image::ImageResult writeImage(const PackRequest& request, const image::RomImage& image) {
    if (request.write) return request.write(request.outputName, image.bytes);
    return image::writeFileAtomically(request.outputName, image.bytes);
}

}  // namespace

std::string notExtractedImageMessage(const std::string& inputName) {
    return inputName + " is not the image that was extracted; press Extract first";
}

std::string packedMessage(const std::string& outputName) { return "Bios file " + outputName + " is created"; }
std::string packFailedMessage(const std::string& outputName) { return "Error pack/writing " + outputName + " file"; }

// A module 6 stored in the input stays stored: written under flags 0 it
// would be taken for compressed data on the next load.
std::uint8_t module6Flags(const image::RomImage& image) {
    const image::ModuleEntry* old = image::findModule(image, DmiModuleId, 0, 0);
    return old && (old->flags & image::StoredFlag) ? image::StoredFlag : 0;
}

image::ImageResult extractDmi(DmiSession& session, const std::string& fileName) {
    image::ImageResult loaded = image::loadImage(session.image, fileName);
    if (!loaded.ok()) return loadFailure(loaded, fileName);
    const image::ModuleEntry* module = image::findModule(session.image, DmiModuleId, 0, 0);
    if (!module) return {image::Outcome::BadData, messages::NoModule6};
    image::ImageResult parsed = parseDmiModule(session, module->data);
    // Only a module that was read is one Pack may write back into.
    if (parsed.ok()) session.extractedModule = module->data;
    return parsed;
}

image::ImageResult packDmi(DmiSession& session, const PackRequest& request) {
    if (!session.packable) return {image::Outcome::NotLoaded, messages::NotExtracted};
    if (!request.write && image::isSameFile(request.inputName, request.outputName))
        return {image::Outcome::CantWrite, image::overwritesInputMessage(request.inputName, request.outputName)};
    if (image::ImageResult r = loadForPack(session, request); !r.ok()) return r;

    std::optional<Uuid> uuid;
    if (image::ImageResult r = uuidToWrite(request, uuid); !r.ok()) return r;
    if (image::ImageResult r = writeBackDmi(session.state, session.workBuffer, uuid); !r.ok()) return r;
    if (request.saved) request.saved();

    image::ImageResult replaced = image::replaceModule(session.image, DmiModuleId, 0, 0, module6Flags(session.image),
                                                       session.workBuffer.bytes);
    // Writing the image without the edited module would pass off the old
    // strings as the new ones.
    if (!replaced.ok()) return {replaced.outcome, messages::CouldNotInsert};

    if (image::ImageResult r = image::rebuildImageInPlace(session.image, request.threads); !r.ok())
        return {r.outcome, packFailedMessage(request.outputName) + ": " + r.message};
    if (image::ImageResult r = writeImage(request, session.image); !r.ok())
        return {image::Outcome::CantWrite, packFailedMessage(request.outputName) + ": " + r.message};
    return {};
}

}  // namespace quarnel::dmi
