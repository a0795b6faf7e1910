// The DMI module of the sample image: an SMBIOS structure table laid out as
// the BIOSes that Quarnel edits lay theirs out.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quarnel::sample {

inline constexpr std::string_view SampleBiosDate = "03/14/2008";
inline constexpr std::array<std::uint8_t, 16> SampleUuid = {0xA3, 0x6F, 0x1E, 0x52, 0x9B, 0x04, 0xD2, 0x11,
                                                            0x8C, 0x41, 0x00, 0x1E, 0x8C, 0x3D, 0x7A, 0x95};
// The system's SKU number and family are left as boards leave them.
inline constexpr std::array<std::string_view, 6> SampleSystemStrings = {
    "Northwind Computers Inc.", "NW-4200 Desktop", "Rev 1.02", "NWD4200-0815-3377", "To Be Filled By O.E.M.",
    "To Be Filled By O.E.M."};
// The board's string-set holds six strings: its asset tag and its location
// follow the four that are shown.
inline constexpr std::array<std::string_view, 6> SampleBoardStrings = {
    "Northwind Computers Inc.", "NWB-P45 Mainboard", "Rev X.0x", "MB-8G2K41950117",
    "To Be Filled By O.E.M.", "Onboard"};
inline constexpr std::array<std::string_view, 4> SampleChassisStrings = {
    "Northwind Computers Inc.", "Chassis Ver 1.0", "CH-0042-7781", "Asset-0000001"};

// Structures of types 0, 1, 2, 3, 4 and 127 behind the 16-byte "_AMIDMI_"
// header, with the module's spare room, zero bytes, after them.
std::vector<std::uint8_t> sampleDmiModule();

}  // namespace quarnel::sample
