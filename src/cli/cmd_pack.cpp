// quarnel-cli pack ROM [-o OUT] [--type1 N=TEXT]... [--type3 N=TEXT]...
// [--uuid HEX32]: the window's Extract, edits and Pack without a window.
// The edits go through the same value boxes and change events, so every
// text is cut or padded to its field's length exactly as typed text is.
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "command.h"
#include "dmi/dmi_display.h"
#include "dmi/dmi_workflow.h"
#include "dmi/headless_view.h"
#include "dmi/uuid_text.h"
#include "threads_option.h"

namespace quarnel::cli {
namespace {

struct PackOptions {
    std::string romName;
    std::string outName = "new.rom";
    std::vector<std::string> type1Edits;
    std::vector<std::string> type3Edits;
    std::string uuid;
    unsigned threads = 0;
    bool force = false;
};

struct RowEdit {
    int row = 0;
    std::string text;
};

// "N=TEXT" with N the row 1 to 4.
bool parseRowEdit(const std::string& option, RowEdit& edit) {
    const auto equals = option.find('=');
    if (equals != 1 || option[0] < '1' || option[0] > '4') return false;
    edit = {option[0] - '0', option.substr(2)};
    return true;
}

bool parseRowEdits(const std::vector<std::string>& options, const char* flag, std::vector<RowEdit>& edits) {
    for (const std::string& option : options) {
        RowEdit edit;
        if (!parseRowEdit(option, edit)) {
            std::cerr << flag << " takes N=TEXT with N the row 1 to 4, not \"" << option << "\"\n";
            return false;
        }
        edits.push_back(edit);
    }
    return true;
}

void typeRows(dmi::HeadlessDmiView& view, const dmi::DmiFields& fields, int type, const std::vector<RowEdit>& edits) {
    for (const RowEdit& edit : edits) {
        view.type(dmi::ValueBoxes[static_cast<std::size_t>(edit.row - 1)], edit.text);
        const dmi::DmiStringField& field = fields[static_cast<std::size_t>(edit.row - 1)];
        if (edit.text.size() > static_cast<std::size_t>(field.length))
            std::cerr << "note: type " << type << " row " << edit.row << " holds " << field.length
                      << " characters; the text was cut to \"" << field.text << "\"\n";
    }
}

void printMessages(const dmi::HeadlessDmiView& view, std::ostream& out) {
    for (const std::string& message : view.messages()) out << message << '\n';
}

int pack(const PackOptions& options) {
    std::vector<RowEdit> type1, type3;
    if (!parseRowEdits(options.type1Edits, "--type1", type1) || !parseRowEdits(options.type3Edits, "--type3", type3))
        return ExitUsage;
    if (!options.uuid.empty() && !dmi::parseUuidText(options.uuid)) {
        std::cerr << "--uuid takes exactly 32 hexadecimal digits, byte 0 first\n";
        return ExitUsage;
    }

    dmi::DmiSession session;
    session.encodeThreads = options.threads;
    dmi::HeadlessDmiView view(session.state);
    image::ImageResult extracted = dmi::extractDmi(session, view, options.romName);
    if (!extracted.ok()) return reportFailure(extracted);
    if (!session.packable) {
        printMessages(view, std::cerr);
        return ExitBadData;
    }

    if (!type3.empty()) {
        view.clickSelector(3);
        typeRows(view, session.state.type3Fields, 3, type3);
        view.clickSelector(1);
    }
    typeRows(view, session.state.type1Fields, 1, type1);
    if (!options.uuid.empty()) view.type(dmi::DmiEdit::Edit7, options.uuid);

    const std::size_t shownBefore = view.messages().size();
    dmi::PackOptions packOptions{.force = options.force, .write = writeOutput};
    image::ImageResult packed = dmi::packDmi(session, view, options.romName, options.outName, packOptions);
    // On a failure the window's last text gives way to the detailed cause.
    std::vector<std::string> shown(view.messages().begin() + static_cast<std::ptrdiff_t>(shownBefore),
                                   view.messages().end());
    if (!packed.ok() && !shown.empty()) shown.pop_back();
    for (const std::string& message : shown) {
        const bool toErrors = !packed.ok() || message.starts_with("warning: ");
        (toErrors ? std::cerr : reportStream(options.outName)) << message << '\n';
    }
    if (packed.ok()) return ExitSuccess;
    std::cerr << packed.message << '\n';
    return exitStatusFor(packed.outcome);
}

const CommandRegistration registration{{
    .order = 20,
    .name = "pack",
    .description = "Writes new DMI strings of types 1 and 3 and a new UUID into a copy of the image",
    .setup =
        [](CLI::App& command) {
            auto options = std::make_shared<PackOptions>();
            command.add_option("ROM", options->romName, "ROM image to read")->required();
            command.add_option("-o,--output", options->outName, "Image to write (- for standard output)")
                ->capture_default_str();
            addForceFlag(command, options->force);
            command.add_option("--type1", options->type1Edits,
                               "Row N (1 to 4) of type 1 (system): manufacturer, product name, version, serial number")
                ->take_all()
                ->allow_extra_args(false);
            command.add_option("--type3", options->type3Edits,
                               "Row N (1 to 4) of type 3 (chassis): manufacturer, version, serial number, asset tag")
                ->take_all()
                ->allow_extra_args(false);
            command.add_option("--uuid", options->uuid, "The system UUID: 32 hexadecimal digits, byte 0 first");
            addThreadsOption(command, options->threads);
            return std::function<int()>([options] { return pack(*options); });
        },
}};

}  // namespace
}  // namespace quarnel::cli
