// What differs between two ROM images: the modules of their chains, the DMI
// fields and the UUID of their module 6, the directory version, the
// checksums of each, and the bytes that lie outside the module chain.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dmi/field_changes.h"
#include "dmi/dmi_state.h"
#include "image/rom_image.h"

namespace quarnel::dmi {

struct ModuleFacts {
    bool compressed = false;
    std::uint8_t flags = 0;
    std::uint32_t dataSize = 0;  // the data area in the image
    std::uint32_t size = 0;      // the plain contents
};

// Modules pair up by ID and sub-identifiers, the n-th of a key in one chain
// with the n-th in the other.
struct ModuleChange {
    enum class Kind { Added, Removed, Changed } kind = Kind::Changed;
    std::uint8_t moduleId = 0;
    std::uint16_t subId1 = 0;
    std::uint16_t subId2 = 0;
    std::optional<ModuleFacts> a, b;
    std::optional<bool> contentsEqual;  // nothing when a side's contents could not be read
};

struct ByteRange {
    std::uint64_t start = 0;
    std::uint64_t end = 0;  // one past the last differing byte
    bool inDirectory = false;
};

struct ImageSide {
    std::string fileName;
    std::uint64_t size = 0;
    std::string directoryVersion;     // empty without a directory
    std::string chainProblem;         // why the chain could not be followed; empty when it could
    std::vector<std::string> faults;  // checksum and decoding faults; empty when sound
};

struct ImageDiff {
    bool identical = false;  // byte for byte
    std::array<ImageSide, 2> sides;
    std::vector<ModuleChange> modules;
    std::vector<FieldChange> fields;
    std::optional<std::array<Uuid, 2>> uuid;  // when it differs
    std::string dmiNote;                      // why the DMI fields were not compared; empty when they were
    std::vector<ByteRange> outsideChain;
};

// CantOpen when a file can't be read; otherwise Done, whatever the files
// hold.
Result diffImages(const std::string& fileA, const std::string& fileB, ImageDiff& diff);

}  // namespace quarnel::dmi
