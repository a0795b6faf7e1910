#include "dmi/dmi_workflow.h"

#include "dmi/dmi_edit.h"
#include "dmi/dmi_messages.h"
#include "dmi/parse_dmi_module.h"
#include "dmi/uuid_text.h"
#include "image/file_io.h"
#include "image/input_check.h"

namespace quarnel::dmi {
namespace {

// The UUID to write: the one asked for, or the held one.
Result uuidToWrite(const PackRequest& request, std::optional<Uuid>& uuid) {
    const std::optional<std::string> text = request.uuidText ? request.uuidText() : std::nullopt;
    if (!text) return {};
    uuid = parseUuidText(*text);
    if (!uuid) return {Outcome::BadData, messages::BadUuid};
    return {};
}

// The input as it is now: sound (or forced), and holding the very module 6
// that Extract read, so one board's identity never goes into another's image.
Result loadForPack(DmiSession& session, const PackRequest& request) {
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
        return {Outcome::BadData, notExtractedImageMessage(request.inputName)};
    return {};
}

Result writeImage(const PackRequest& request, const image::RomImage& image) {
    if (request.write) return request.write(request.outputName, image.bytes);
    return image::writeFileAtomically(request.outputName, image.bytes);
}

}  // namespace

Result loadFailure(const Result& result, const std::string& fileName) {
    if (result.outcome == Outcome::NoDirectory || result.outcome == Outcome::CantOpen) return result;
    return {result.outcome, fileName + ": " + result.message};
}

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

Result extractDmi(DmiSession& session, const std::string& fileName) {
    Result loaded = image::loadImage(session.image, fileName);
    if (!loaded.ok()) return loadFailure(loaded, fileName);
    return readLoadedDmi(session);
}

Result readLoadedDmi(DmiSession& session) {
    const image::ModuleEntry* module = image::findModule(session.image, DmiModuleId, 0, 0);
    if (!module) return {Outcome::BadData, messages::NoModule6};
    Result parsed = parseDmiModule(session, module->data);
    // Only a module that was read is one Pack may write back into.
    if (parsed.ok()) session.extractedModule = module->data;
    return parsed;
}

Result packDmi(DmiSession& session, const PackRequest& request) {
    if (!session.packable) return {Outcome::NotLoaded, messages::NotExtracted};
    if (!request.write && image::isSameFile(request.inputName, request.outputName))
        return {Outcome::CantWrite, image::overwritesInputMessage(request.inputName, request.outputName)};
    if (Result r = loadForPack(session, request); !r.ok()) return r;

    std::optional<Uuid> uuid;
    if (Result r = uuidToWrite(request, uuid); !r.ok()) return r;
    if (Result r = writeBackDmi(session.state, session.workBuffer, uuid); !r.ok()) return r;
    if (request.saved) request.saved();

    Result replaced = image::replaceModule(session.image, DmiModuleId, 0, 0, module6Flags(session.image),
                                           session.workBuffer.bytes);
    // Writing the image without the edited module would pass off the old
    // strings as the new ones.
    if (!replaced.ok()) return {replaced.outcome, messages::CouldNotInsert};

    if (Result r = image::rebuildImageInPlace(session.image, request.threads); !r.ok())
        return {r.outcome, packFailedMessage(request.outputName) + ": " + r.message};
    if (Result r = writeImage(request, session.image); !r.ok())
        return {Outcome::CantWrite, packFailedMessage(request.outputName) + ": " + r.message};
    return {};
}

}  // namespace quarnel::dmi
