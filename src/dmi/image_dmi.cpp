#include "dmi/image_dmi.h"

#include "dmi/dmi_module_table.h"
#include "dmi/dmi_session.h"
#include "dmi/dmi_workflow.h"
#include "dmi/smbios_identity.h"
#include "platform/file_io.h"
#include "image/module_chain.h"

namespace quarnel::dmi {

Result readImageDmi(const std::string& fileName, ImageDmi& dmi) {
    std::vector<std::uint8_t> bytes;
    if (Result r = platform::readWholeFile(fileName, bytes); !r.ok()) return r;
    if (Result r = image::readLoneModule(bytes, DmiModuleId, 0, 0, dmi.module); !r.ok()) {
        if (r.outcome == Outcome::NoDirectory) r.message = image::noDirectoryMessage(fileName);
        return loadFailure(r, fileName);
    }
    dmi.read = readDmiModule(dmi.module.entry.data);
    if (!dmi.read.refusal.ok()) return {dmi.read.refusal.outcome, fileName + ": " + dmi.read.refusal.message};
    if (!dmi.module.damageElsewhere.empty())
        dmi.damageNote = image::damageElsewhereNote(fileName, "module 6", dmi.module.damageElsewhere);
    return {};
}

Result identityFromImage(const ImageDmi& dmi, DmiEdits& edits, std::vector<std::string>& notes) {
    ModuleTableView view;
    if (Result r = readModuleTable(dmi.module.entry.data, dmi.read.state.signatureOffset, view); !r.ok()) return r;
    identityFromWalk(view.walk, edits, notes);
    return {};
}

}  // namespace quarnel::dmi
