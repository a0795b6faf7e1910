#include "dmi/dmi_workflow.h"

#include "dmi/dmi_edit.h"
#include "dmi/dmi_messages.h"
#include "dmi/parse_dmi_module.h"
#include "dmi/uuid_text.h"

namespace quarnel::dmi {
namespace {

// A file without a module directory, or one that can't be read, is "Can't
// open <name>"; a corrupt chain says what is wrong with it.
image::ImageResult loadFailure(const image::ImageResult& result, const std::string& fileName) {
    if (result.outcome == image::Outcome::NoDirectory || result.outcome == image::Outcome::CantOpen ||
        result.message.empty())
        return {result.outcome, messages::CantOpen + fileName};
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

}  // namespace

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
    return parseDmiModule(session, module->data);
}

image::ImageResult packDmi(DmiSession& session, const PackRequest& request) {
    if (!session.packable) return {image::Outcome::NotLoaded, messages::NotExtracted};
    image::ImageResult loaded = image::loadImage(session.image, request.inputName);
    if (!loaded.ok()) return loadFailure(loaded, request.inputName);

    std::optional<Uuid> uuid;
    if (image::ImageResult r = uuidToWrite(request, uuid); !r.ok()) return r;
    if (image::ImageResult r = writeBackDmi(session.state, session.workBuffer, uuid); !r.ok()) return r;
    if (request.saved) request.saved();

    image::ImageResult replaced = image::replaceModule(session.image, DmiModuleId, 0, 0, module6Flags(session.image),
                                                       session.workBuffer.bytes);
    // Writing the image without the edited module would pass off the old
    // strings as the new ones.
    if (!replaced.ok()) return {replaced.outcome, messages::CouldNotInsert};

    image::ImageResult rebuilt = image::rebuildImage(session.image, request.outputName);
    if (!rebuilt.ok()) return {rebuilt.outcome, packFailedMessage(request.outputName) + ": " + rebuilt.message};
    return {};
}

}  // namespace quarnel::dmi
