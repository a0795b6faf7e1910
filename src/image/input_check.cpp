#include "input_check.h"

#include "module_chain.h"
#include "verify_image.h"

namespace quarnel::image {
namespace {

constexpr std::size_t FaultsNamed = 3;

std::string listFaults(std::string message, const std::vector<std::string>& faults) {
    for (std::size_t i = 0; i < faults.size() && i < FaultsNamed; ++i) message += "\n  " + faults[i];
    if (faults.size() > FaultsNamed) message += "\n  and " + std::to_string(faults.size() - FaultsNamed) + " more";
    return message;
}

std::string damagedMessage(const std::string& fileName, const std::vector<std::string>& faults) {
    return listFaults(fileName + " is damaged; nothing was written:", faults);
}

}  // namespace

std::string forcedDamageMessage(const std::string& fileName, const std::vector<std::string>& faults) {
    return listFaults("warning: " + fileName + " is damaged; written anyway:", faults);
}

CheckedLoad loadCheckedBytes(RomImage& image, const std::string& fileName, std::vector<std::uint8_t> bytes,
                             bool force, LoadFor purpose) {
    unloadImage(image);
    CheckedLoad checked;
    // A file without a directory, or with a chain too broken to follow, is
    // refused by the load itself, in its own words. The load decodes every
    // module, so the check leaves that to it: a module that does not decode
    // is one more fault, and one no force can write past.
    const VerifyReport report = verifyImage(bytes, false);
    checked.faults = report.faults;
    if (!checked.faults.empty() && !force) {
        checked.result = {Outcome::BadData, damagedMessage(fileName, checked.faults)};
        return checked;
    }
    checked.result = loadImageBytes(image, std::move(bytes), purpose);
    if (checked.result.outcome == Outcome::NoDirectory) checked.result.message = noDirectoryMessage(fileName);
    if (checked.result.outcome == Outcome::BadData && report.result.ok()) {
        checked.faults.push_back(checked.result.message);
        checked.result.message = damagedMessage(fileName, checked.faults);
    }
    return checked;
}

}  // namespace quarnel::image
