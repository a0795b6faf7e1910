// quarnel-cli dmi ROM [--json] [--dump-bin OUT]: what Extract shows (the
// BIOS date, whether DMI changes are supported, the UUID and the first four
// strings of types 1, 2 and 3), or the DMI structure table as a dump that
// dmidecode --from-dump reads.
#include <functional>
#include <iomanip>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "command.h"
#include "dmi/dmi_display.h"
#include "dmi/dmi_reader.h"
#include "dmi/dmi_session.h"
#include "dmi/latin1_text.h"
#include "dmi/smbios_dump.h"
#include "dmi/uuid_text.h"
#include "platform/file_io.h"
#include "platform/image_files.h"

namespace quarnel::cli {
namespace {

struct DmiOptions {
    std::string romName;
    bool json = false;
    std::string dumpName;
};

nlohmann::json fieldsJson(const dmi::DmiFields& fields) {
    nlohmann::json rows = nlohmann::json::array();
    for (const dmi::DmiStringField& field : fields)
        rows.push_back({{"text", dmi::utf8FromLatin1(field.text)}, {"length", field.length}});
    return rows;
}

void printJson(const dmi::DmiState& state, const std::string& directoryVersion) {
    nlohmann::json report = {
        {"directoryVersion", directoryVersion},
        {"biosDate", state.biosDate},
        {"dmiChangesSupported", state.dmiChangesSupported},
        {"uuid", dmi::uuidText(state.uuid)},
        {"uuidRfc4122", dmi::uuidRfc4122Text(state.uuid)},
        {"type1", fieldsJson(state.type1Fields)},
        {"type2", fieldsJson(state.type2Fields)},
        {"type3", fieldsJson(state.type3Fields)},
    };
    // The date is bytes of the ROM, not necessarily UTF-8.
    std::cout << report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

void printType(const char* title, dmi::DisplayForm form, const dmi::DmiFields& fields) {
    const dmi::DisplayTable table = dmi::displayTable(form);
    std::cout << title << '\n';
    for (std::size_t row = 0; row < fields.size(); ++row)
        std::cout << "  " << std::left << std::setw(16) << table.captions[row] << " \""
                  << dmi::utf8FromLatin1(fields[row].text) << "\" ("
                  << fields[row].length << " characters)\n";
}

void printText(const dmi::DmiState& state, const std::string& directoryVersion) {
    std::cout << "Directory version:     " << directoryVersion << '\n'
              << "BIOS date:             " << state.biosDate << '\n'
              << "DMI changes supported: " << (state.dmiChangesSupported ? "yes" : "no") << '\n'
              << "UUID:                  " << dmi::uuidText(state.uuid) << '\n'
              << "UUID (SMBIOS 2.6+):    " << dmi::uuidRfc4122Text(state.uuid) << '\n';
    printType("Type 1 (system)", dmi::DisplayForm::Selector1, state.type1Fields);
    printType("Type 2 (base board, shown only)", dmi::DisplayForm::Selector2, state.type2Fields);
    printType("Type 3 (chassis)", dmi::DisplayForm::Selector3, state.type3Fields);
}

int writeDump(const dmi::DmiReadResult& read, std::span<const std::uint8_t> module, const std::string& dumpName) {
    if (!read.signatureFound) {
        std::cerr << "The DMI module holds no \"American Megatrends\" signature\n";
        return ExitBadData;
    }
    std::vector<std::uint8_t> dump;
    if (Result r = dmi::buildSmbiosDump(module, read.state.signatureOffset, dump); !r.ok()) return reportFailure(r);
    Result written = writeOutput(dumpName, dump);
    return written.ok() ? ExitSuccess : reportFailure(written);
}

int showDmi(const DmiOptions& options) {
    image::RomImage rom;
    Result loaded = platform::loadImage(rom, options.romName);
    if (!loaded.ok()) return reportFailure(loaded);
    const image::ModuleEntry* module = image::findModule(rom, dmi::DmiModuleId, 0, 0);
    if (!module) return reportFailure({Outcome::BadData, "Can't find Module ID 06"});

    const dmi::DmiReadResult read = dmi::readDmiModule(module->data);
    if (!read.refusal.ok()) return reportFailure(read.refusal);
    if (!options.dumpName.empty()) return writeDump(read, module->data, options.dumpName);

    if (options.json)
        printJson(read.state, rom.directoryVersion);
    else
        printText(read.state, rom.directoryVersion);
    for (const std::string& problem : read.problems) std::cerr << problem << '\n';
    return read.problems.empty() ? ExitSuccess : ExitBadData;
}

const CommandRegistration dmiRegistration{{
    .order = 10,
    .name = "dmi",
    .description = "Shows the BIOS date, the UUID and the DMI strings of types 1, 2 and 3",
    .setup =
        [](CLI::App& command) {
            auto options = std::make_shared<DmiOptions>();
            command.add_option("ROM", options->romName, "ROM image to read")->required();
            command.add_flag("--json", options->json, "Print the result as JSON");
            CLI::Option* dump = command.add_option(
                "--dump-bin", options->dumpName,
                "Write the DMI structure table as a dump for dmidecode --from-dump (- for standard output)");
            return CommandAction{[options] { return showDmi(*options); },
                                 [options, dump] {
                                     CommandFiles files{{options->romName}, {}};
                                     if (dump->count() > 0) files.outputs.push_back({"--dump-bin", options->dumpName});
                                     return files;
                                 }};
        },
}};

}  // namespace
}  // namespace quarnel::cli
