// Reads the DMI module: the BIOS date after the "American Megatrends"
// signature, and whether the structures of types 1, 2 and 3 follow one
// another as the BIOS lays them out (stepped over by their length bytes and
// the lengths of their strings, from fixed distances to the signature).
// The identity fields and the UUID are then read from the module's SMBIOS
// table as SMBIOS readers read them, each string through its number
// (table_fields.h).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dmi/dmi_state.h"

#include "lzh/result.h"

namespace quarnel::dmi {

inline constexpr char Signature[] = "American Megatrends";
inline constexpr std::uint32_t SignatureLength = 19;
inline constexpr std::uint32_t DateDistance = 33;
inline constexpr std::uint32_t DateLength = 10;
inline constexpr std::uint32_t Type1HeaderDistance = 45;
inline constexpr std::uint32_t UuidDistance = 53;
// The UUID's last byte is the farthest byte read at a fixed distance.
inline constexpr std::uint32_t SignatureReach = UuidDistance + 16;

struct DmiReadResult {
    DmiState state;
    // BadData when the module was refused: it would have to be read outside
    // its bounds. Done when it was read; `state` is then complete.
    Result refusal;
    // The module was read, but the program can't work with it: the texts to
    // show, in order; each one ends the program.
    std::vector<std::string> problems;
    bool signatureFound = false;
};

DmiReadResult readDmiModule(std::span<const std::uint8_t> module);

}  // namespace quarnel::dmi
