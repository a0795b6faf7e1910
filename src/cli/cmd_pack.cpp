// quarnel-cli pack ROM [-o OUT] [--type1 N=TEXT]... [--type3 N=TEXT]...
// [--uuid HEX32] [--from-dump FILE | --from-system]: the window's Extract,
// edits and Pack without a window. Every text is cut or padded to its
// field's length exactly as typed text is.
// quarnel-cli pack ROM --batch FILE.csv --out-dir DIR: one image per row.
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "command.h"
#include "dmi/dmi_edit.h"
#include "dmi/dmi_messages.h"
#include "dmi/dmi_workflow.h"
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
    std::vector<std::string> type1Edits;
    std::vector<std::string> type3Edits;
    std::string uuid;
    bool uuidGiven = false;
    std::string dumpName;
    bool fromSystem = false;
    std::string batchName;
    std::string outDir;
    bool force = false;
    unsigned threads = 0;
};

// "N=TEXT" with N the row 1 to 4.
bool parseRowEdits(const std::vector<std::string>& options, int type, std::vector<dmi::FieldEdit>& edits) {
    for (const std::string& option : options) {
        if (option.find('=') != 1 || option[0] < '1' || option[0] > '4') {
            std::cerr << "--type" << type << " takes N=TEXT with N the row 1 to 4, not \"" << option << "\"\n";
            return false;
        }
        dmi::FieldEdit edit{type, option[0] - '0', option.substr(2)};
        if (Result r = checkTypedText(edit); !r.ok()) {
            std::cerr << "--type" << type << ": " << r.message << '\n';
            return false;
        }
        edits.push_back(std::move(edit));
    }
    return true;
}

// The edits typed on the command line; false (after saying why) on a usage
// error.
bool typedEdits(const PackOptions& options, dmi::DmiEdits& edits) {
    if (!parseRowEdits(options.type1Edits, 1, edits.fields) || !parseRowEdits(options.type3Edits, 3, edits.fields))
        return false;
    if (options.uuidGiven) {
        edits.uuid = dmi::parseUuidText(options.uuid);
        if (!edits.uuid) {
            std::cerr << "--uuid takes exactly 32 hexadecimal digits, byte 0 first, not \"" << options.uuid << "\"\n";
            return false;
        }
    }
    return true;
}

Result readTable(const PackOptions& options, std::vector<std::uint8_t>& table) {
    if (options.fromSystem) return platform::readSystemTable(table);
    if (Result r = platform::readWholeFile(options.dumpName, table); !r.ok())
        return {r.outcome, options.dumpName + ": " + r.message};
    return {};
}

// The identity the SMBIOS table gives, applied before the typed edits so
// those override single values.
Result applyIdentity(const PackOptions& options, dmi::DmiState& state, std::vector<std::string>& notes) {
    std::vector<std::uint8_t> table;
    if (Result r = readTable(options, table); !r.ok()) return r;
    dmi::DmiEdits identity;
    const std::string name = options.fromSystem ? platform::systemTableName() : options.dumpName;
    if (Result r = dmi::identityFromTable(table, identity, notes); !r.ok())
        return {r.outcome, name + ": " + r.message};
    if (Result r = dmi::applyEdits(state, identity, notes); !r.ok())
        return {r.outcome, name + ": " + r.message};
    return {};
}

int pack(const PackOptions& options) {
    if (!options.batchName.empty()) return packBatch(options.romName, options.batchName, options.outDir, options.force, options.threads);
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
    std::vector<std::string> notes;
    if (!options.dumpName.empty() || options.fromSystem)
        if (Result r = applyIdentity(options, session.state, notes); !r.ok()) return reportFailure(r);
    if (Result r = dmi::applyEdits(session.state, typed, notes); !r.ok()) return reportFailure(r);
    for (const std::string& note : notes) std::cerr << "note: " << note << '\n';

    std::ostream& report = reportStream(options.outName);
    dmi::PackRequest request{.inputName = options.romName,
                             .outputName = options.outName,
                             .saved = [&report] { report << dmi::messages::Save << '\n'; }};
    request.force = options.force;
    request.threads = options.threads;
    request.loaded = true;
    request.write = writeOutput;
    if (Result r = dmi::packDmi(session, request); !r.ok()) return reportFailure(r);
    report << dmi::packedMessage(options.outName) << '\n';
    return ExitSuccess;
}

// The batch's outputs are its rows': they are checked against these inputs
// when the rows are read.
CommandFiles packFiles(const PackOptions& options) {
    CommandFiles files{{options.romName}, {}};
    if (!options.dumpName.empty()) files.inputs.push_back(options.dumpName);
    if (options.fromSystem) files.inputs.emplace_back(platform::SystemTablePath);
    if (!options.batchName.empty())
        files.inputs.push_back(options.batchName);
    else
        files.outputs.push_back({"--output", options.outName});
    return files;
}

// --type1 or --type3: one N=TEXT a time, the option repeated for each row.
CLI::Option* addRowOption(CLI::App& command, const std::string& name, std::vector<std::string>& edits,
                          const std::string& help) {
    return command.add_option(name, edits, help)->type_name("N=TEXT")->take_all()->allow_extra_args(false);
}

const CommandRegistration packRegistration{{
    .order = 20,
    .name = "pack",
    .description = "Writes new DMI strings of types 1 and 3 and a new UUID into a copy of the image",
    .setup =
        [](CLI::App& command) {
            auto options = std::make_shared<PackOptions>();
            command.add_option("ROM", options->romName, "ROM image to read")->required();
            CLI::Option* output =
                command.add_option("-o,--output", options->outName, "Image to write (- for standard output)")
                    ->capture_default_str();
            addForceFlag(command, options->force);
            addThreadsOption(command, options->threads);
            CLI::Option* type1 = addRowOption(command, "--type1", options->type1Edits,
                                              "Row N (1 to 4) of type 1 (system): manufacturer, product name, "
                                              "version, serial number. Repeat the option for each row: "
                                              "--type1 1=ACME --type1 4=SN-1");
            CLI::Option* type3 = addRowOption(command, "--type3", options->type3Edits,
                                              "Row N (1 to 4) of type 3 (chassis): manufacturer, version, serial "
                                              "number, asset tag. Repeat the option for each row");
            CLI::Option* uuid =
                command.add_option("--uuid", options->uuid, "The system UUID: 32 hexadecimal digits, byte 0 first");
            CLI::Option* dump = command.add_option(
                "--from-dump", options->dumpName,
                "Take the type 1 and 3 strings and the UUID from an SMBIOS table: a dmidecode --dump-bin file or "
                "a raw table as in /sys/firmware/dmi/tables/DMI. --type1, --type3 and --uuid override single values");
            CLI::Option* system = command.add_flag(
                "--from-system", options->fromSystem,
                "The same from this machine's own table, " + platform::systemTableName() + " (needs root on Linux)");
            CLI::Option* batch = command.add_option(
                "--batch", options->batchName,
                "One image per row of a CSV file whose header names the columns: output, and any of type1.1 to "
                "type1.4, type3.1 to type3.4 and uuid. An empty cell leaves its field as it is. Outputs are names "
                "inside --out-dir; none may be an input, leave the folder through a link, or be written twice");
            CLI::Option* outDir =
                command.add_option("--out-dir", options->outDir, "The folder the batch's outputs are written to");
            dump->excludes(system);
            batch->needs(outDir);
            outDir->needs(batch);
            for (CLI::Option* single : {output, type1, type3, uuid, dump, system}) batch->excludes(single);
            return CommandAction{[options, uuid] {
                                     options->uuidGiven = uuid->count() > 0;
                                     return pack(*options);
                                 },
                                 [options] { return packFiles(*options); }};
        },
}};

}  // namespace
}  // namespace quarnel::cli
