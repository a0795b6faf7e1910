#include "dmi/parse_dmi_module.h"

#include <new>

#include "dmi/dmi_reader.h"

namespace quarnel::dmi {

Result parseDmiModule(DmiSession& session, std::span<const std::uint8_t> contents) {
    DmiReadResult read = readDmiModule(contents);
    if (!read.refusal.ok()) {
        // What went wrong before the walk left the module explains why it did.
        std::string message;
        for (const std::string& problem : read.problems) message += problem + '\n';
        return {read.refusal.outcome, message + read.refusal.message};
    }
    try {
        session.workBuffer.bytes.assign(contents.begin(), contents.end());
    } catch (const std::bad_alloc&) {
        return {Outcome::NoMemory, "not enough memory for a copy of the DMI module (" +
                                              std::to_string((contents.size() + 1023) / 1024) + " KiB)"};
    }
    session.state = std::move(read.state);
    session.packable = read.problems.empty();
    session.problems = std::move(read.problems);
    return {};
}

}  // namespace quarnel::dmi
