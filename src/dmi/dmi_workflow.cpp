#include "dmi/dmi_workflow.h"

#include "dmi/dmi_edit.h"
#include "dmi/dmi_messages.h"
#include "dmi/parse_dmi_module.h"
#include "dmi/uuid_text.h"
#include "image/input_check.h"
#include "image/module_placement.h"
#include "platform/file_io.h"
#include "platform/image_files.h"

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

// The input as it is now: sound (or forced).
Result loadChecked(DmiSession& session, const std::string& fileName, bool force,
                   const std::function<void(const std::string& warning)>& warn) {
    const image::CheckedLoad checked =
        platform::loadCheckedImage(session.image, fileName, force, image::LoadFor::EditInPlace);
    if (!checked.result.ok()) {
        // A damaged input is told as it is; the window has no text of its own for it.
        if (!checked.faults.empty()) return checked.result;
        return loadFailure(checked.result, fileName);
    }
    if (!checked.faults.empty() && warn) warn(image::forcedDamageMessage(fileName, checked.faults));
    return {};
}

// The input holds the very module 6 that Extract read, so one board's
// identity never goes into another's image.
Result loadForPack(DmiSession& session, const PackRequest& request) {
    if (!request.loaded)
        if (Result r = loadChecked(session, request.inputName, request.force, request.warn); !r.ok()) return r;
    const image::ModuleEntry* module = image::findModule(session.image, DmiModuleId, 0, 0);
    if (!module || module->data != session.extractedModule)
        return {Outcome::BadData, notExtractedImageMessage(request.inputName)};
    return {};
}

Result writeImage(const PackRequest& request, std::span<const std::uint8_t> bytes) {
    if (request.write) return request.write(request.outputName, bytes);
    return platform::writeFileAtomically(request.outputName, bytes);
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

std::size_t module6Index(const image::RomImage& image) {
    const image::ModuleEntry* module = image::findModule(image, DmiModuleId, 0, 0);
    return module ? static_cast<std::size_t>(module - image.modules.data()) : image.modules.size();
}

Result extractForPack(DmiSession& session, const std::string& fileName, bool force,
                      const std::function<void(const std::string& warning)>& warn) {
    if (Result r = loadChecked(session, fileName, force, warn); !r.ok()) return r;
    return readLoadedDmi(session);
}

Result extractDmi(DmiSession& session, const std::string& fileName) {
    Result loaded = platform::loadImage(session.image, fileName);
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

Result packDmi(DmiSession& session, const PackRequest& request, PackSummary* summary) {
    if (!session.packable) return {Outcome::NotLoaded, messages::NotExtracted};
    // Whoever writes the image, the input is never its output.
    if (platform::isSameFile(request.inputName, request.outputName))
        return {Outcome::CantWrite, platform::overwritesInputMessage(request.inputName, request.outputName)};
    if (Result r = loadForPack(session, request); !r.ok()) return r;

    std::optional<Uuid> uuid;
    if (Result r = uuidToWrite(request, uuid); !r.ok()) return r;
    // The edits always go onto the module as it was read, however often
    // Pack runs after one Extract.
    session.workBuffer.bytes = session.extractedModule;
    if (Result r = writeBackDmi(session.state, session.workBuffer, uuid); !r.ok()) return r;
    if (request.saved) request.saved();
    if (summary) summary->placement = image::Placement::Unchanged;

    // Contents as they were read keep their block as it is, however it was
    // encoded: the image comes back byte for byte.
    if (session.workBuffer.bytes == session.extractedModule) {
        if (Result r = writeImage(request, session.image.asRead); !r.ok())
            return {Outcome::CantWrite, packFailedMessage(request.outputName) + ": " + r.message};
        return {};
    }

    // Module 6 keeps its header as read, flags included: the edit changes
    // its contents only.
    const std::size_t index = module6Index(session.image);
    Result replaced = index < session.image.modules.size()
                          ? image::replaceModule(session.image, DmiModuleId, 0, 0, session.image.modules[index].flags,
                                                 session.workBuffer.bytes)
                          : Result{Outcome::BadData, messages::NoModule6};
    // Writing the image without the edited module would pass off the old
    // strings as the new ones.
    if (!replaced.ok()) return {replaced.outcome, messages::CouldNotInsert};

    std::vector<std::uint8_t> packed;
    image::Placement* placement = summary ? &summary->placement : nullptr;
    if (Result r = image::writeModuleInPlace(session.image, index, packed, request.threads, placement); !r.ok())
        return {r.outcome, packFailedMessage(request.outputName) + ": " + r.message};
    if (Result r = writeImage(request, packed); !r.ok())
        return {Outcome::CantWrite, packFailedMessage(request.outputName) + ": " + r.message};
    return {};
}

}  // namespace quarnel::dmi
