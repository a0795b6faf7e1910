// What the image commands share: the module key arguments and the report of
// a failure that concerns a named file.
#pragma once

#include <cstdint>
#include <iostream>
#include <string>

#include "command.h"
#include "image/hex_text.h"
#include "number_arg.h"

namespace quarnel::cli {

struct ModuleKeyArgs {
    std::string moduleId;
    std::string subId1 = "0";
    std::string subId2 = "0";

    std::uint8_t id() const { return static_cast<std::uint8_t>(*parseNumberArg(moduleId, 0xFF)); }
    std::uint16_t sub1() const { return static_cast<std::uint16_t>(*parseNumberArg(subId1, 0xFFFF)); }
    std::uint16_t sub2() const { return static_cast<std::uint16_t>(*parseNumberArg(subId2, 0xFFFF)); }

    // "Module ID 06", with the sub-identifiers when they are not both 0.
    std::string text() const {
        std::string name = "Module ID " + image::hexText(id(), 2);
        if (sub1() != 0 || sub2() != 0) name += " (sub-identifiers " + subId1 + ", " + subId2 + ")";
        return name;
    }
};

// ID, then SUB1 and SUB2; `subIdsRequired` false makes the pair optional
// (both or neither, 0 when left out).
inline void addModuleKeyOptions(CLI::App& command, ModuleKeyArgs& key, bool subIdsRequired) {
    command.add_option("ID", key.moduleId, "Module ID (0 to 255, decimal or 0x-hex)")->required()->check(NumberArg(0xFF));
    CLI::Option* sub1 = command.add_option("SUB1", key.subId1, "First sub-identifier (header offset 8)")
                            ->check(NumberArg(0xFFFF));
    CLI::Option* sub2 = command.add_option("SUB2", key.subId2, "Second sub-identifier (header offset 10)")
                            ->check(NumberArg(0xFFFF));
    if (subIdsRequired) {
        sub1->required();
        sub2->required();
    } else {
        sub1->needs(sub2);
    }
}

// Names the file when it is the file that can't be opened.
inline int reportFileFailure(const Result& result, const std::string& fileName) {
    if (result.outcome == Outcome::CantOpen && result.message.find(fileName) == std::string::npos) {
        std::cerr << result.message << " (" << fileName << ")\n";
        return exitStatusFor(result.outcome);
    }
    return reportFailure(result);
}

}  // namespace quarnel::cli
