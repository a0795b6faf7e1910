#include "dmi/dmi_workflow.h"

#include <filesystem>

#include "dmi/dmi_edit.h"
#include "dmi/dmi_messages.h"
#include "dmi/parse_dmi_module.h"

namespace quarnel::dmi {
namespace {

bool fileExists(const std::string& fileName) {
    std::error_code error;
    auto status = std::filesystem::status(fileName, error);
    return !error && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

// A file without a module directory, or one that can't be read, is "Can't
// open <name>"; a corrupt chain says what is wrong with it.
std::string loadFailureMessage(const image::ImageResult& result, const std::string& fileName) {
    if (result.outcome == image::Outcome::NoDirectory || result.outcome == image::Outcome::CantOpen ||
        result.message.empty())
        return messages::CantOpen + fileName;
    return fileName + ": " + result.message;
}

// A module 6 stored in the input stays stored: written under flags 0 it
// would be taken for compressed data on the next load.
std::uint8_t flagsForModule6(const image::RomImage& image) {
    const image::ModuleEntry* old = image::findModule(image, DmiModuleId, 0, 0);
    return old && (old->flags & image::StoredFlag) ? image::StoredFlag : 0;
}

image::ImageResult failure(DmiView& view, image::Outcome outcome, const std::string& message) {
    view.showMessage(message);
    return {outcome, message};
}

}  // namespace

std::string packedMessage(const std::string& outputName) { return "Bios file " + outputName + " is created"; }
std::string packFailedMessage(const std::string& outputName) { return "Error pack/writing " + outputName + " file"; }

image::ImageResult extractDmi(DmiSession& session, DmiView& view, const std::string& fileName) {
    view.setSelectorPosition(1);
    if (!fileExists(fileName)) return {image::Outcome::CantOpen, fileName + ": no such file"};
    image::ImageResult loaded = image::loadImage(session.image, fileName);
    if (!loaded.ok()) return failure(view, loaded.outcome, loadFailureMessage(loaded, fileName));
    const image::ModuleEntry* module = image::findModule(session.image, DmiModuleId, 0, 0);
    if (!module) return failure(view, image::Outcome::BadData, messages::NoModule6);
    std::string refusal = parseDmiModule(session, module->data, view);
    if (!refusal.empty()) return {image::Outcome::BadData, refusal};
    return {};
}

image::ImageResult packDmi(DmiSession& session, DmiView& view, const std::string& inputName,
                           const std::string& outputName) {
    if (!session.packable) return failure(view, image::Outcome::NotLoaded, messages::NotExtracted);
    image::ImageResult loaded = image::loadImage(session.image, inputName);
    if (!loaded.ok()) return failure(view, loaded.outcome, loadFailureMessage(loaded, inputName));

    std::string refusal = writeBackDmi(session.state, session.workBuffer, view);
    if (!refusal.empty()) return failure(view, image::Outcome::BadData, refusal);
    view.showMessage(messages::Save);

    image::ImageResult replaced = image::replaceModule(session.image, DmiModuleId, 0, 0,
                                                       flagsForModule6(session.image), session.workBuffer.bytes);
    // Writing the image without the edited module would pass off the old
    // strings as the new ones.
    if (!replaced.ok()) return failure(view, replaced.outcome, messages::CouldNotInsert);

    image::ImageResult rebuilt = image::rebuildImage(session.image, outputName, session.encodeThreads);
    view.showMessage(rebuilt.ok() ? packedMessage(outputName) : packFailedMessage(outputName));
    return rebuilt;
}

}  // namespace quarnel::dmi
