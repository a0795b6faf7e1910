// quarnel-cli diff A B [--json]: what differs between two images. Exit 0
// when they are identical, 1 when they differ, 2 on a usage error and 4 when
// a file can't be read, as cmp does.
#include <functional>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "command.h"
#include "dmi/dmi_display.h"
#include "dmi/image_diff.h"
#include "dmi/latin1_text.h"
#include "dmi/uuid_text.h"
#include "image/hex_text.h"

namespace quarnel::cli {
namespace {

struct DiffOptions {
    std::string fileA;
    std::string fileB;
    bool json = false;
};

const char* kindName(dmi::ModuleChange::Kind kind) {
    switch (kind) {
        case dmi::ModuleChange::Kind::Added: return "added";
        case dmi::ModuleChange::Kind::Removed: return "removed";
        case dmi::ModuleChange::Kind::Changed: break;
    }
    return "changed";
}

const char* formName(const dmi::ModuleFacts& facts) { return facts.compressed ? "compressed" : "stored"; }

nlohmann::json factsJson(const std::optional<dmi::ModuleFacts>& facts) {
    if (!facts) return nullptr;
    return {{"form", formName(*facts)}, {"flags", facts->flags}, {"dataSize", facts->dataSize}, {"size", facts->size}};
}

nlohmann::json sideJson(const dmi::ImageSide& side) {
    return {{"file", side.fileName},
            {"size", side.size},
            {"directoryVersion", side.directoryVersion},
            {"chainProblem", side.chainProblem},
            {"checksumsSound", side.chainProblem.empty() && side.faults.empty()},
            {"faults", side.faults}};
}

void printJson(const dmi::ImageDiff& diff) {
    nlohmann::json modules = nlohmann::json::array(), fields = nlohmann::json::array(),
                   ranges = nlohmann::json::array();
    for (const dmi::ModuleChange& m : diff.modules)
        modules.push_back({{"change", kindName(m.kind)},
                           {"moduleId", m.moduleId},
                           {"subId1", m.subId1},
                           {"subId2", m.subId2},
                           {"a", factsJson(m.a)},
                           {"b", factsJson(m.b)},
                           {"contentsEqual", m.contentsEqual ? nlohmann::json(*m.contentsEqual) : nlohmann::json()}});
    for (const dmi::FieldChange& f : diff.fields)
        fields.push_back({{"type", f.type},
                          {"row", f.row},
                          {"old", dmi::utf8FromLatin1(f.oldText)},
                          {"new", dmi::utf8FromLatin1(f.newText)}});
    for (const dmi::ByteRange& r : diff.outsideChain)
        ranges.push_back({{"start", r.start}, {"end", r.end}, {"inDirectory", r.inDirectory}});
    nlohmann::json uuid = nullptr;
    if (diff.uuid) uuid = {{"old", dmi::uuidText((*diff.uuid)[0])}, {"new", dmi::uuidText((*diff.uuid)[1])}};
    const nlohmann::json report = {{"identical", diff.identical},
                                   {"a", sideJson(diff.sides[0])},
                                   {"b", sideJson(diff.sides[1])},
                                   {"modules", modules},
                                   {"dmiFields", fields},
                                   {"uuid", uuid},
                                   {"dmiNote", diff.dmiNote},
                                   {"outsideChain", ranges}};
    // File names and faults are bytes, not necessarily UTF-8.
    std::cout << report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

void printSide(const char* letter, const dmi::ImageSide& side) {
    std::cout << letter << ": " << side.fileName << " (" << side.size << " bytes)";
    if (!side.directoryVersion.empty()) std::cout << ", directory version \"" << side.directoryVersion << '"';
    if (!side.chainProblem.empty())
        std::cout << ", " << side.chainProblem << '\n';
    else if (side.faults.empty())
        std::cout << ", checksums sound\n";
    else
        std::cout << ", " << side.faults.size() << " faults\n";
    for (const std::string& fault : side.faults) std::cout << "   " << fault << '\n';
}

std::string factsText(const std::optional<dmi::ModuleFacts>& facts) {
    if (!facts) return "-";
    return std::string(formName(*facts)) + " flags " + image::hexText(facts->flags, 2) + ", " +
           std::to_string(facts->dataSize) + " bytes in the image, " + std::to_string(facts->size) +
           " bytes of contents";
}

void printText(const dmi::ImageDiff& diff) {
    if (diff.identical) {
        std::cout << "The images are identical\n";
        return;
    }
    printSide("A", diff.sides[0]);
    printSide("B", diff.sides[1]);
    if (!diff.modules.empty()) std::cout << "Modules:\n";
    for (const dmi::ModuleChange& m : diff.modules) {
        std::cout << "  " << kindName(m.kind) << " ID " << image::hexText(m.moduleId, 2) << " (" << m.subId1 << ", "
                  << m.subId2 << "): " << factsText(m.a) << " -> " << factsText(m.b);
        if (m.contentsEqual) std::cout << (*m.contentsEqual ? "; contents equal" : "; contents differ");
        std::cout << '\n';
    }
    if (!diff.fields.empty() || diff.uuid) std::cout << "DMI fields:\n";
    for (const dmi::FieldChange& f : diff.fields)
        std::cout << "  type " << f.type << " row " << f.row << " ("
                  << dmi::displayTable(dmi::selectorForm(f.type)).captions[static_cast<std::size_t>(f.row - 1)]
                  << "): \"" << dmi::utf8FromLatin1(f.oldText) << "\" -> \""
                  << dmi::utf8FromLatin1(f.newText) << "\"\n";
    if (diff.uuid)
        std::cout << "  UUID: " << dmi::uuidText((*diff.uuid)[0]) << " -> " << dmi::uuidText((*diff.uuid)[1]) << '\n';
    if (!diff.dmiNote.empty()) std::cout << "DMI fields not compared: " << diff.dmiNote << '\n';
    if (!diff.outsideChain.empty()) std::cout << "Bytes outside the module chain:\n";
    for (const dmi::ByteRange& r : diff.outsideChain)
        std::cout << "  0x" << image::hexText(r.start, 5) << " to 0x" << image::hexText(r.end - 1, 5) << " ("
                  << r.end - r.start << " bytes)" << (r.inDirectory ? ", the directory header" : "") << '\n';
}

// 1 says "different": no failure may look like it.
int diffFailure(const Result& result) {
    const int status = reportFailure(result);
    return status == ExitBadData ? ExitCantOpen : status;
}

int diffCommand(const DiffOptions& options) {
    dmi::ImageDiff diff;
    if (Result r = dmi::diffImages(options.fileA, options.fileB, diff); !r.ok()) return diffFailure(r);
    if (options.json)
        printJson(diff);
    else
        printText(diff);
    return diff.identical ? ExitSuccess : ExitBadData;
}

const CommandRegistration diffRegistration{{
    .order = 15,
    .name = "diff",
    .description = "Shows what differs between two images: modules, DMI fields, UUID, checksums, other bytes",
    .setup =
        [](CLI::App& command) {
            auto options = std::make_shared<DiffOptions>();
            command.add_option("A", options->fileA, "The first image (old)")->required();
            command.add_option("B", options->fileB, "The second image (new)")->required();
            command.add_flag("--json", options->json, "Print the result as JSON");
            command.footer("Exit status: 0 identical, 1 different, 2 usage error, 4 a file can't be read or the "
                           "report can't be written (as cmp, which never says 1 for a failure)");
            return CommandAction{[options] { return diffCommand(*options); },
                                 [options] { return CommandFiles{{options->fileA, options->fileB}, {}}; }};
        },
}};

}  // namespace
}  // namespace quarnel::cli
