// quarnel-cli pack ROM [-o OUT] [--set KEYWORD=TEXT]... [--type1|2|3 N=TEXT]...
// [--uuid UUID|random] [--from-dump FILE | --from-system | --from-image ROM]
// [--keep-lengths] [--json]: the window's Extract, edits and Pack without a
// window. Every value is written exactly as given, unless --keep-lengths.
// quarnel-cli pack ROM --batch FILE.csv --out-dir DIR: one image per row.
#include <functional>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "command.h"
#include "dmi/dmi_edit.h"
#include "dmi/dmi_workflow.h"
#include "dmi/field_changes.h"
#include "dmi/identity_fields.h"
#include "dmi/image_dmi.h"
#include "dmi/latin1_text.h"
#include "dmi/smbios_identity.h"
#include "dmi/uuid_text.h"
#include "pack_batch.h"
#include "platform/file_io.h"
#include "platform/system.h"
#include "threads_option.h"
#include "typed_text.h"

namespace quarnel::cli {
namespace {

struct PackOptions {
    std::string romName;
    std::string outName = "new.rom";
    std::vector<std::string> setEdits;
    std::vector<std::string> typeEdits[3];
    std::string uuid;
    bool uuidGiven = false;
    std::string dumpName;
    bool fromSystem = false;
    std::string imageName;
    bool keepLengths = false;
    bool json = false;
    std::string batchName;
    std::string outDir;
    bool force = false;
    unsigned threads = 0;
};

bool checked(const std::string& option, dmi::FieldEdit edit, std::vector<dmi::FieldEdit>& edits) {
    if (Result r = checkTypedText(edit); !r.ok()) {
        std::cerr << option << ": " << r.message << '\n';
        return false;
    }
    edits.push_back(std::move(edit));
    return true;
}

// "N=TEXT" with N a row of the type.
bool parseRowEdits(const std::vector<std::string>& options, int type, std::vector<dmi::FieldEdit>& edits) {
    const std::string option = "--type" + std::to_string(type);
    for (const std::string& text : options) {
        const int row = text.find('=') == 1 ? text[0] - '0' : 0;
        if (!dmi::identityField(type, row)) {
            std::cerr << option << " takes N=TEXT with N the row 1 to " << dmi::rowCount(type) << ", not \"" << text
                      << "\"\n";
            return false;
        }
        if (!checked(option, {type, row, text.substr(2)}, edits)) return false;
    }
    return true;
}

bool parseUuid(const std::string& option, const std::string& text, dmi::DmiEdits& edits) {
    edits.uuid = text == "random" ? dmi::randomUuid() : dmi::parseUuidArgument(text);
    if (!edits.uuid) std::cerr << option << ": \"" << text << "\" " << UuidArgumentForms << '\n';
    return edits.uuid.has_value();
}

// "KEYWORD=TEXT" with a field's keyword, or system-uuid.
bool parseSetEdits(const std::vector<std::string>& options, dmi::DmiEdits& edits) {
    for (const std::string& text : options) {
        const std::size_t equals = text.find('=');
        const std::string keyword = text.substr(0, equals);
        if (equals != std::string::npos && keyword == dmi::UuidKeyword) {
            if (!parseUuid("--set", text.substr(equals + 1), edits)) return false;
            continue;
        }
        const dmi::IdentityField* field = dmi::fieldByKeyword(keyword);
        if (equals == std::string::npos || !field) {
            std::cerr << "--set takes KEYWORD=TEXT with KEYWORD one of system-uuid";
            for (const dmi::IdentityField& f : dmi::IdentityFields) std::cerr << ", " << f.keyword;
            std::cerr << "; not \"" << text << "\"\n";
            return false;
        }
        if (!checked("--set", {field->type, field->row, text.substr(equals + 1)}, edits.fields)) return false;
    }
    return true;
}

// The edits typed on the command line; false (after saying why) on a usage
// error.
bool typedEdits(const PackOptions& options, dmi::DmiEdits& edits) {
    for (int type = 1; type <= 3; ++type)
        if (!parseRowEdits(options.typeEdits[type - 1], type, edits.fields)) return false;
    if (!parseSetEdits(options.setEdits, edits)) return false;
    if (options.uuidGiven && !parseUuid("--uuid", options.uuid, edits)) return false;
    edits.keepLengths = options.keepLengths;
    return true;
}

Result readTable(const PackOptions& options, std::vector<std::uint8_t>& table) {
    if (options.fromSystem) return platform::readSystemTable(table);
    if (Result r = platform::readWholeFile(options.dumpName, table); !r.ok())
        return {r.outcome, options.dumpName + ": " + r.message};
    return {};
}

// The identity another image's module 6 holds: only that module must be sound.
Result imageIdentity(const std::string& imageName, dmi::DmiEdits& identity, std::vector<std::string>& notes) {
    dmi::ImageDmi backup;
    if (Result r = dmi::readImageDmi(imageName, backup); !r.ok()) return r;
    if (!backup.damageNote.empty()) notes.push_back(backup.damageNote);
    if (Result r = dmi::identityFromImage(backup, identity, notes); !r.ok()) return {r.outcome, imageName + ": " + r.message};
    return {};
}

// The identity a table or another image gives, applied before the typed
// edits so those override single values.
Result applyIdentity(const PackOptions& options, dmi::DmiState& state, std::vector<std::string>& notes) {
    dmi::DmiEdits identity;
    identity.keepLengths = options.keepLengths;
    std::string name = options.imageName;
    if (!options.imageName.empty()) {
        if (Result r = imageIdentity(options.imageName, identity, notes); !r.ok()) return r;
    } else {
        std::vector<std::uint8_t> table;
        if (Result r = readTable(options, table); !r.ok()) return r;
        name = options.fromSystem ? platform::systemTableName() : options.dumpName;
        if (Result r = dmi::identityFromTable(table, identity, notes); !r.ok())
            return {r.outcome, name + ": " + r.message};
    }
    dmi::dropUnsettable(state, identity, notes);
    if (Result r = dmi::applyEdits(state, identity, notes); !r.ok()) return {r.outcome, name + ": " + r.message};
    return {};
}

std::string keywordOf(const dmi::FieldChange& change) { return dmi::identityField(change.type, change.row)->keyword; }

// The UUID's bytes as the table holds them, and as SMBIOS 2.6+ readers show them.
std::string uuidBytes(const dmi::Uuid& uuid) {
    const std::string digits = dmi::uuidText(uuid);
    std::string text = "bytes";
    for (std::size_t i = 0; i < digits.size(); i += 2) text.append(" ").append(digits, i, 2);
    return text + ", shown by SMBIOS 2.6+ readers as " + dmi::uuidRfc4122Text(uuid);
}

void printSummary(std::ostream& report, const dmi::DmiState& before, const dmi::DmiState& after,
                  image::Placement placement) {
    for (const dmi::FieldChange& change : dmi::fieldChanges(before, after))
        report << keywordOf(change) << ": \"" << dmi::utf8FromLatin1(change.oldText) << "\" -> \""
               << dmi::utf8FromLatin1(change.newText) << "\"\n";
    if (before.uuid != after.uuid)
        report << dmi::UuidKeyword << ": " << dmi::uuidText(before.uuid) << " -> " << dmi::uuidText(after.uuid) << " ("
               << uuidBytes(after.uuid) << ")\n";
    report << "module 6: " << image::placementName(placement) << '\n';
}

void printJsonSummary(std::ostream& report, const std::string& outName, const dmi::DmiState& before,
                      const dmi::DmiState& after, image::Placement placement) {
    nlohmann::json list = nlohmann::json::array();
    for (const dmi::FieldChange& change : dmi::fieldChanges(before, after))
        list.push_back({{"field", keywordOf(change)},
                        {"before", dmi::utf8FromLatin1(change.oldText)},
                        {"after", dmi::utf8FromLatin1(change.newText)}});
    if (before.uuid != after.uuid)
        list.push_back({{"field", dmi::UuidKeyword},
                        {"before", dmi::uuidText(before.uuid)},
                        {"after", dmi::uuidText(after.uuid)},
                        {"afterRfc4122", dmi::uuidRfc4122Text(after.uuid)}});
    const nlohmann::json summary = {{"output", outName}, {"changes", list}, {"module6", image::placementName(placement)}};
    report << summary.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

int pack(const PackOptions& options) {
    if (!options.batchName.empty())
        return packBatch({options.romName, options.batchName, options.outDir, options.force, options.threads,
                          options.keepLengths});
    dmi::DmiEdits typed;
    if (!typedEdits(options, typed)) return ExitUsage;

    // One checked load serves Extract and Pack.
    dmi::DmiSession session;
    const auto warn = [](const std::string& warning) { std::cerr << warning << '\n'; };
    if (Result r = dmi::extractForPack(session, options.romName, options.force, warn); !r.ok())
        return reportFailure(r);
    if (!session.packable) {
        for (const std::string& problem : session.problems) std::cerr << problem << '\n';
        return ExitBadData;
    }
    const dmi::DmiState asRead = session.state;
    std::vector<std::string> notes;
    if (!options.dumpName.empty() || options.fromSystem || !options.imageName.empty())
        if (Result r = applyIdentity(options, session.state, notes); !r.ok()) return reportFailure(r);
    if (Result r = dmi::applyEdits(session.state, typed, notes); !r.ok()) return reportFailure(r);
    for (const std::string& note : notes) std::cerr << "note: " << note << '\n';

    dmi::PackRequest request{.inputName = options.romName, .outputName = options.outName};
    request.force = options.force;
    request.threads = options.threads;
    request.loaded = true;
    request.write = writeOutput;
    dmi::PackSummary summary;
    if (Result r = dmi::packDmi(session, request, &summary); !r.ok()) return reportFailure(r);
    std::ostream& report = reportStream(options.outName);
    if (options.json) {
        printJsonSummary(report, options.outName, asRead, session.state, summary.placement);
        return ExitSuccess;
    }
    printSummary(report, asRead, session.state, summary.placement);
    report << dmi::packedMessage(options.outName) << '\n';
    return ExitSuccess;
}

// The batch's outputs are its rows': they are checked against these inputs
// when the rows are read.
CommandFiles packFiles(const PackOptions& options) {
    CommandFiles files{{options.romName}, {}};
    if (!options.dumpName.empty()) files.inputs.push_back(options.dumpName);
    if (!options.imageName.empty()) files.inputs.push_back(options.imageName);
    if (options.fromSystem) files.inputs.emplace_back(platform::SystemTablePath);
    if (!options.batchName.empty())
        files.inputs.push_back(options.batchName);
    else
        files.outputs.push_back({"--output", options.outName});
    return files;
}

// --set, --type1, --type2, --type3: one value a time, the option repeated
// for each.
CLI::Option* addEditOption(CLI::App& command, const std::string& name, std::vector<std::string>& edits,
                           const std::string& typeName, const std::string& help) {
    return command.add_option(name, edits, help)->type_name(typeName)->take_all()->allow_extra_args(false);
}

const CommandRegistration packRegistration{{
    .order = 20,
    .name = "pack",
    .description = "Writes new DMI identity strings of types 1 to 3 and a new UUID into a copy of the image",
    .setup =
        [](CLI::App& command) {
            auto options = std::make_shared<PackOptions>();
            command.add_option("ROM", options->romName, "ROM image to read")->required();
            CLI::Option* output =
                command.add_option("-o,--output", options->outName, "Image to write (- for standard output)")
                    ->capture_default_str();
            addForceFlag(command, options->force);
            addThreadsOption(command, options->threads);
            CLI::Option* set = addEditOption(
                command, "--set", options->setEdits, "KEYWORD=TEXT",
                "A field by the keyword dmidecode -s knows it by: system-manufacturer, system-product-name, "
                "system-version, system-serial-number, system-sku-number, system-family, baseboard-manufacturer, "
                "baseboard-product-name, baseboard-version, baseboard-serial-number, baseboard-asset-tag, "
                "chassis-manufacturer, chassis-version, chassis-serial-number, chassis-asset-tag (or system-uuid). "
                "The text is written exactly, 1 to 64 characters; empty leaves the field Not Specified. Repeat the "
                "option for each field");
            CLI::Option* type1 = addEditOption(command, "--type1", options->typeEdits[0], "N=TEXT",
                                               "Row N (1 to 6) of type 1 (system): manufacturer, product name, "
                                               "version, serial number, SKU number, family. Repeat the option for "
                                               "each row: --type1 1=ACME --type1 4=SN-1");
            CLI::Option* type2 = addEditOption(command, "--type2", options->typeEdits[1], "N=TEXT",
                                               "Row N (1 to 5) of type 2 (base board): manufacturer, product name, "
                                               "version, serial number, asset tag");
            CLI::Option* type3 = addEditOption(command, "--type3", options->typeEdits[2], "N=TEXT",
                                               "Row N (1 to 4) of type 3 (chassis): manufacturer, version, serial "
                                               "number, asset tag");
            CLI::Option* uuid = command.add_option(
                "--uuid", options->uuid,
                "The system UUID: 32 hexadecimal digits (byte 0 first), the dashed form dmi shows as SMBIOS 2.6+ "
                "(as operating systems show it), or random for a new version-4 UUID");
            command.add_flag("--keep-lengths", options->keepLengths,
                             "Cut or pad every value to the length of the string it replaces, so no byte of the "
                             "DMI table moves");
            CLI::Option* json = command.add_flag("--json", options->json, "Print the summary as JSON");
            CLI::Option* dump = command.add_option(
                "--from-dump", options->dumpName,
                "Take every field of types 1 to 3 and the UUID from an SMBIOS table: a dmidecode --dump-bin file or "
                "a raw table as in /sys/firmware/dmi/tables/DMI. --set, --typeN and --uuid override single values");
            CLI::Option* system = command.add_flag(
                "--from-system", options->fromSystem,
                "The same from this machine's own table, " + platform::systemTableName() + " (needs root on Linux)");
            CLI::Option* image = command.add_option(
                "--from-image", options->imageName,
                "The same from another image's DMI module, such as a backup read from the board's chip; only that "
                "module must be sound");
            CLI::Option* batch = command.add_option(
                "--batch", options->batchName,
                "One image per row of a CSV file whose header names the columns: output, and any of uuid, type1.1 "
                "to type1.6, type2.1 to type2.5, type3.1 to type3.4 and the fields' keywords. An empty cell leaves "
                "its field as it is; random in the uuid column makes a new UUID per row. Outputs are names inside "
                "--out-dir; none may be an input, leave the folder through a link, or be written twice");
            CLI::Option* outDir =
                command.add_option("--out-dir", options->outDir, "The folder the batch's outputs are written to");
            dump->excludes(system);
            image->excludes(dump);
            image->excludes(system);
            batch->needs(outDir);
            outDir->needs(batch);
            for (CLI::Option* single : {output, set, type1, type2, type3, uuid, dump, system, image, json})
                batch->excludes(single);
            return CommandAction{[options, uuid] {
                                     options->uuidGiven = uuid->count() > 0;
                                     return pack(*options);
                                 },
                                 [options] { return packFiles(*options); }};
        },
}};

}  // namespace
}  // namespace quarnel::cli
