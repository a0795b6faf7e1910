// Small DMI modules for the tests: types 0, 1, 2, 3 and 127 laid out as the
// BIOS lays them out, with the parts the tests vary.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dmi/dmi_state.h"

namespace quarnel::dmi::testing {

struct ModuleSpec {
    std::size_t prefix = 7;  // bytes before the type-0 structure
    std::string date = "06/30/2008";
    Uuid uuid = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    std::vector<std::string> type1 = {"Maker One", "Product One", "V1", "SER1"};
    std::vector<std::string> type2 = {"Board Maker", "Board", "B1", "BSER"};
    std::vector<std::string> type3 = {"Case Maker", "Case V", "CSER", "ASSET"};
    std::size_t trailing = 16;  // zero bytes after the end-of-table structure
};

std::vector<std::uint8_t> buildModule(const ModuleSpec& spec);

// Where the builder put the signature: behind the prefix and a type-0
// header of 0x14 bytes.
std::uint32_t signatureOffsetOf(const ModuleSpec& spec);

}  // namespace quarnel::dmi::testing
