#include "dmi/dmi_workflow.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "dmi/dmi_edit.h"
#include "dmi/dmi_messages.h"
#include "dmi/parse_dmi_module.h"
#include "image/file_io.h"
#include "image/input_check.h"

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

// Shows the window's own text and hands on the detailed cause.
image::ImageResult failure(DmiView& view, const std::string& shown, image::ImageResult result) {
    view.showMessage(shown);
    if (result.message.empty()) result.message = shown;
    return result;
}

image::ImageResult loadForPack(DmiSession& session, DmiView& view, const std::string& inputName, bool force) {
    const image::CheckedLoad checked = image::loadCheckedImage(session.image, inputName, force);
    if (!checked.result.ok()) {
        // A damaged input is told as it is; the window has no text of its own for it.
        const bool damaged = !checked.faults.empty();
        return failure(view, damaged ? checked.result.message : loadFailureMessage(checked.result, inputName),
                       checked.result);
    }
    if (!checked.faults.empty()) view.showMessage(image::forcedDamageMessage(inputName, checked.faults));
    const image::ModuleEntry* module = image::findModule(session.image, DmiModuleId, 0, 0);
    if (!module || module->data != session.extractedModule)
        return failure(view, image::Outcome::BadData, notExtractedImageMessage(inputName));
    return {};
}

}  // namespace

std::string packedMessage(const std::string& outputName) { return "Bios file " + outputName + " is created"; }
std::string packFailedMessage(const std::string& outputName) { return "Error pack/writing " + outputName + " file"; }
std::string notExtractedImageMessage(const std::string& inputName) {
    return inputName + " is not the image that was extracted; press Extract first";
}

image::ImageResult extractDmi(DmiSession& session, DmiView& view, const std::string& fileName) {
    view.setSelectorPosition(1);
    if (!fileExists(fileName))
        return {image::Outcome::CantOpen, "Can't open " + fileName + ": " + std::strerror(ENOENT)};
    image::ImageResult loaded = image::loadImage(session.image, fileName);
    if (!loaded.ok()) return failure(view, loadFailureMessage(loaded, fileName), loaded);
    const image::ModuleEntry* module = image::findModule(session.image, DmiModuleId, 0, 0);
    if (!module) return failure(view, image::Outcome::BadData, messages::NoModule6);
    session.extractedModule = module->data;
    std::string refusal = parseDmiModule(session, module->data, view);
    if (!refusal.empty()) return {image::Outcome::BadData, refusal};
    return {};
}

image::ImageResult packDmi(DmiSession& session, DmiView& view, const std::string& inputName,
                           const std::string& outputName, const PackOptions& options) {
    if (!session.packable) return failure(view, image::Outcome::NotLoaded, messages::NotExtracted);
    if (!options.write && image::isSameFile(inputName, outputName))
        return failure(view, image::Outcome::CantOpen, image::overwritesInputMessage(inputName, outputName));
    if (image::ImageResult loaded = loadForPack(session, view, inputName, options.force); !loaded.ok()) return loaded;

    std::string refusal = writeBackDmi(session.state, session.workBuffer, view);
    if (!refusal.empty()) return failure(view, image::Outcome::BadData, refusal);
    view.showMessage(messages::Save);

    image::ImageResult replaced = image::replaceModule(session.image, DmiModuleId, 0, 0,
                                                       flagsForModule6(session.image), session.workBuffer.bytes);
    // Writing the image without the edited module would pass off the old
    // strings as the new ones.
    if (!replaced.ok()) return failure(view, replaced.outcome, messages::CouldNotInsert);

    image::ImageResult rebuilt = image::rebuildImageInPlace(session.image, session.encodeThreads);
    if (rebuilt.ok())
        rebuilt = options.write ? options.write(outputName, session.image.bytes)
                                : image::writeFileAtomically(outputName, session.image.bytes);
    view.showMessage(rebuilt.ok() ? packedMessage(outputName) : packFailedMessage(outputName));
    return rebuilt;
}

}  // namespace quarnel::dmi
