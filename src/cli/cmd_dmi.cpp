// quarnel-cli dmi ROM [--json] [-s KEYWORD] [--dump-bin OUT]: what Extract
// shows (the BIOS date, whether DMI changes are supported, the UUID and every
// identity field of types 1, 2 and 3), one value as dmidecode -s prints it,
// or the DMI structure table as a dump that dmidecode --from-dump reads.
// Only module 6 must be sound: damage elsewhere is a note.
#include <functional>
#include <iomanip>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "command.h"
#include "dmi/dmi_module_table.h"
#include "dmi/dmi_session.h"
#include "dmi/identity_fields.h"
#include "dmi/image_dmi.h"
#include "dmi/latin1_text.h"
#include "dmi/smbios_dump.h"
#include "dmi/uuid_text.h"

namespace quarnel::cli {
namespace {

struct DmiOptions {
    std::string romName;
    bool json = false;
    std::string keyword;
    std::string dumpName;
};

// As dmidecode shows a string: "Not Specified" for none, bytes outside
// printable ASCII as dots.
std::string shownValue(const dmi::DmiStringField& field) {
    if (!field.fault.empty()) return "<BAD INDEX>";
    if (field.number == 0) return "Not Specified";
    std::string text = field.text;
    for (char& c : text)
        if (c < 0x20 || c >= 0x7F) c = '.';
    return text;
}

std::string upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

nlohmann::json fieldsJson(const dmi::DmiState& state, int type) {
    nlohmann::json rows = nlohmann::json::array();
    for (const dmi::IdentityField& field : dmi::IdentityFields) {
        if (field.type != type) continue;
        const dmi::DmiStringField& held = *dmi::heldField(state, type, field.row);
        rows.push_back({{"keyword", field.keyword},
                        {"present", held.present},
                        {"number", held.number},
                        {"text", dmi::utf8FromLatin1(held.text)},
                        {"length", held.length}});
    }
    return rows;
}

void printJson(const dmi::DmiState& state, const std::string& directoryVersion) {
    nlohmann::json report = {
        {"directoryVersion", directoryVersion},
        {"biosDate", state.biosDate},
        {"dmiChangesSupported", state.dmiChangesSupported},
        {"uuid", dmi::uuidText(state.uuid)},
        {"uuidRfc4122", dmi::uuidRfc4122Text(state.uuid)},
        {"exactLengths", state.resizable},
        {"type1", fieldsJson(state, 1)},
        {"type2", fieldsJson(state, 2)},
        {"type3", fieldsJson(state, 3)},
    };
    // The date is bytes of the ROM, not necessarily UTF-8.
    std::cout << report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

void printType(const char* title, const dmi::DmiState& state, int type) {
    std::cout << title << '\n';
    for (const dmi::IdentityField& field : dmi::IdentityFields) {
        if (field.type != type) continue;
        const dmi::DmiStringField& held = *dmi::heldField(state, type, field.row);
        if (!held.present) continue;
        std::cout << "  " << std::left << std::setw(16) << field.name << ' ';
        if (held.number == 0 || !held.fault.empty())
            std::cout << shownValue(held) << '\n';
        else
            std::cout << '"' << dmi::utf8FromLatin1(held.text) << "\" (" << held.length << " characters)\n";
    }
}

void printText(const dmi::DmiState& state, const std::string& directoryVersion) {
    std::cout << "Directory version:     " << directoryVersion << '\n'
              << "BIOS date:             " << state.biosDate << '\n'
              << "DMI changes supported: " << (state.dmiChangesSupported ? "yes" : "no") << '\n'
              << "String lengths:        "
              << (state.resizable ? "any, 1 to " + std::to_string(dmi::MaxFieldLength) + " characters"
                                  : "kept (" + state.fixedReason + ")")
              << '\n'
              << "UUID:                  " << dmi::uuidText(state.uuid) << '\n'
              << "UUID (SMBIOS 2.6+):    " << dmi::uuidRfc4122Text(state.uuid) << '\n';
    printType("Type 1 (system)", state, 1);
    printType("Type 2 (base board)", state, 2);
    printType("Type 3 (chassis)", state, 3);
}

int printKeyword(const dmi::DmiState& state, const std::string& keyword) {
    if (keyword == dmi::UuidKeyword) {
        std::cout << upper(dmi::uuidRfc4122Text(state.uuid)) << '\n';
        return ExitSuccess;
    }
    const dmi::IdentityField* field = dmi::fieldByKeyword(keyword);
    if (!field) {
        std::cerr << "-s takes one of system-uuid and the identity fields' keywords:";
        for (const dmi::IdentityField& f : dmi::IdentityFields) std::cerr << ' ' << f.keyword;
        std::cerr << ", not \"" << keyword << "\"\n";
        return ExitUsage;
    }
    const dmi::DmiStringField& held = *dmi::heldField(state, field->type, field->row);
    if (held.present) std::cout << shownValue(held) << '\n';
    return ExitSuccess;
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
    dmi::ImageDmi image;
    if (Result r = dmi::readImageDmi(options.romName, image); !r.ok()) return reportFailure(r);
    if (!image.damageNote.empty()) std::cerr << "note: " << image.damageNote << '\n';
    const dmi::DmiReadResult& read = image.read;
    if (!options.dumpName.empty()) return writeDump(read, image.module.entry.data, options.dumpName);
    if (!options.keyword.empty()) return printKeyword(read.state, options.keyword);

    if (options.json)
        printJson(read.state, image.module.directoryVersion);
    else
        printText(read.state, image.module.directoryVersion);
    for (const std::string& problem : read.problems) std::cerr << problem << '\n';
    return read.problems.empty() ? ExitSuccess : ExitBadData;
}

const CommandRegistration dmiRegistration{{
    .order = 10,
    .name = "dmi",
    .description = "Shows the BIOS date, the UUID and the identity fields of types 1, 2 and 3",
    .setup =
        [](CLI::App& command) {
            auto options = std::make_shared<DmiOptions>();
            command.add_option("ROM", options->romName, "ROM image to read")->required();
            CLI::Option* json = command.add_flag("--json", options->json, "Print the result as JSON");
            CLI::Option* keyword = command.add_option(
                "-s,--string", options->keyword,
                "Print one value as dmidecode -s prints it: system-uuid or a field's keyword (system-serial-number, "
                "baseboard-asset-tag, chassis-version, ...)");
            CLI::Option* dump = command.add_option(
                "--dump-bin", options->dumpName,
                "Write the DMI structure table as a dump for dmidecode --from-dump (- for standard output)");
            keyword->excludes(json);
            dump->excludes(json);
            dump->excludes(keyword);
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
