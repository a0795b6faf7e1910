#include "dmi/parse_dmi_module.h"

#include "dmi/dmi_display.h"
#include "dmi/dmi_reader.h"

namespace quarnel::dmi {

std::string parseDmiModule(DmiSession& session, std::span<const std::uint8_t> contents, DmiView& view) {
    DmiReadResult read = readDmiModule(contents);
    if (!read.refusal.empty()) {
        // What went wrong before the walk left the module explains why it did.
        for (const std::string& problem : read.problems) view.showMessage(problem);
        view.showMessage(read.refusal);
        return read.refusal;
    }
    session.workBuffer.bytes.assign(contents.begin(), contents.end());
    session.state = std::move(read.state);
    session.packable = read.problems.empty();

    view.setCaption(DmiLabel::Label1, session.state.biosDate);
    for (const std::string& problem : read.problems) {
        view.showMessage(problem);
        view.requestQuit();
    }
    showExtractedType1(session.state, view);
    return {};
}

}  // namespace quarnel::dmi
