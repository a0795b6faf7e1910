// Arbitrary DMI modules through Extract's reading and display, the type
// selector, an edit, Pack's write-back and the dmidecode dump: nothing may
// be read or written outside the module, whatever it holds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "dmi/dmi_display.h"
#include "dmi/dmi_edit.h"
#include "dmi/dmi_reader.h"
#include "dmi/parse_dmi_module.h"
#include "dmi/smbios_dump.h"

// Unless the module holds the signature already (a seed, or a mutation of
// one), it goes in where the first byte says, so that nearly every input is
// walked from an anchor.
std::vector<std::uint8_t> moduleAround(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> module(data, data + size);
    const std::string_view signature = quarnel::dmi::Signature;
    if (size == 0 || std::search(module.begin(), module.end(), signature.begin(), signature.end()) != module.end())
        return module;
    const std::size_t at = data[0] % size;
    module.insert(module.begin() + static_cast<std::ptrdiff_t>(at), signature.begin(), signature.end());
    return module;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quarnel::dmi;
    const std::vector<std::uint8_t> module = moduleAround(data, size);
    DmiSession session;
    if (!parseDmiModule(session, module).ok()) return 0;
    rowsDisplay(session.state, DisplayForm::Selector3);
    applyFieldEdit(session.state, 3, 4, "fuzzed text that is longer than most fields");
    rowsDisplay(session.state, DisplayForm::Selector1);
    writeBackDmi(session.state, session.workBuffer, std::nullopt);
    std::vector<std::uint8_t> dump;
    buildSmbiosDump(module, session.state.signatureOffset, dump);
    return 0;
}
