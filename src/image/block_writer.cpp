#include "block_writer.h"

#include <algorithm>

#include "image_layout.h"

namespace quarnel::image {

std::uint32_t placedDataSize(DirectoryGeneration generation, bool compressed, std::uint32_t length) {
    return compressed && generation == DirectoryGeneration::V0800 ? (length + 3) & ~3u : length;
}

std::uint16_t size16Of(std::uint32_t dataSize) {
    return dataSize < 0x10000 ? static_cast<std::uint16_t>(dataSize) : 0xFFFF;
}

Result checkDataArea(const std::string& moduleName, DirectoryGeneration generation, std::uint32_t dataSize) {
    if (dataSize <= maxDataArea(generation)) return {};
    return {Outcome::BadData, moduleName + ": its data area would be " + std::to_string(dataSize) + " bytes; a " +
                                  generationName(generation) +
                                  " directory's blocks hold at most 65535, as size16 alone gives the length"};
}

void writeBlock(std::span<std::uint8_t> bytes, DirectoryGeneration generation, std::uint32_t start,
                const ModuleEntry& entry, std::span<const std::uint8_t> area, const BlockFields& fields) {
    const std::uint32_t header = start + blockPrefixSize(generation);
    if (blockPrefixSize(generation) != 0) {
        writeU32(bytes, start + DataSizeField, fields.dataSize);
        writeU32(bytes, start + BlockChecksumField, 0);
    }
    writeU32(bytes, header + NextField, fields.next);
    writeU16(bytes, header + Size16Field, fields.size16);
    bytes[header + ModuleIdField] = entry.moduleId;
    bytes[header + FlagsField] = entry.flags;
    writeU16(bytes, header + SubId1Field, entry.subId1);
    writeU16(bytes, header + SubId2Field, entry.subId2);
    const auto data = bytes.begin() + header + HeaderSize;
    std::copy(area.begin(), area.end(), data);
    std::fill(data + static_cast<std::ptrdiff_t>(area.size()), data + fields.dataSize, 0xFF);
}

}  // namespace quarnel::image
