#include "support/lzh_member.h"

#include <algorithm>
#include <numeric>
#include <string_view>

#include "lzh/lzh.h"

namespace quarnel::test {
namespace {

constexpr std::string_view Lh5Method = "-lh5-";
constexpr std::uint8_t ArchiveAttribute = 0x20;
constexpr std::uint32_t DosTimestamp = 0x00210000;  // 1980-01-01 00:00
constexpr std::string_view FileName = "\x08" "data.bin";  // the name behind its length

void putLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint32_t getLittleEndian(std::span<const std::uint8_t> bytes, std::size_t offset, int width) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = value << 8 | bytes[offset + i];
    return value;
}

}  // namespace

std::uint16_t lhaCrc16(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0;
    for (std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
    }
    return crc;
}

std::span<const std::uint8_t> areaBitStream(std::span<const std::uint8_t> area) {
    const auto header = lzh::readAreaHeader(area);
    if (!header || header->packedSize < lzh::AreaHeaderSize || header->packedSize > area.size()) return {};
    return area.subspan(lzh::AreaHeaderSize, header->packedSize - lzh::AreaHeaderSize);
}

// Level 0: size and checksum of the rest of the header, method, sizes, DOS
// time, attribute, level, name, CRC-16; the stream follows at once.
std::vector<std::uint8_t> wrapAreaAsMember(std::span<const std::uint8_t> area, std::span<const std::uint8_t> original) {
    const std::span<const std::uint8_t> bitStream = areaBitStream(area);
    std::vector<std::uint8_t> archive = {0, 0};  // header size and checksum, filled in below
    for (char c : Lh5Method) archive.push_back(static_cast<std::uint8_t>(c));
    putLittleEndian(archive, static_cast<std::uint32_t>(bitStream.size()), 4);
    putLittleEndian(archive, static_cast<std::uint32_t>(original.size()), 4);
    putLittleEndian(archive, DosTimestamp, 4);
    archive.push_back(ArchiveAttribute);
    archive.push_back(0);  // header level
    for (char c : FileName) archive.push_back(static_cast<std::uint8_t>(c));
    putLittleEndian(archive, lhaCrc16(original), 2);
    archive[0] = static_cast<std::uint8_t>(archive.size() - 2);
    archive[1] = static_cast<std::uint8_t>(std::accumulate(archive.begin() + 2, archive.end(), 0u));

    archive.insert(archive.end(), bitStream.begin(), bitStream.end());
    archive.push_back(0);  // end of archive
    return archive;
}

// Level 2: header size (stream offset), method, sizes, time, reserved,
// level, CRC-16, then extended headers.
std::optional<LzhMember> readFirstMember(std::span<const std::uint8_t> archive) {
    if (archive.size() < 24 || archive[20] != 2) return std::nullopt;
    LzhMember member;
    member.method.assign(archive.begin() + 2, archive.begin() + 7);
    const std::uint32_t packedSize = getLittleEndian(archive, 7, 4);
    member.originalSize = getLittleEndian(archive, 11, 4);
    member.crc = static_cast<std::uint16_t>(getLittleEndian(archive, 21, 2));
    const std::size_t streamStart = getLittleEndian(archive, 0, 2);
    if (streamStart + packedSize > archive.size()) return std::nullopt;
    member.stream.assign(archive.begin() + streamStart, archive.begin() + streamStart + packedSize);
    return member;
}

std::vector<std::uint8_t> memberAsArea(const LzhMember& member) {
    std::vector<std::uint8_t> area;
    putLittleEndian(area, static_cast<std::uint32_t>(member.stream.size() + lzh::AreaHeaderSize), 4);
    putLittleEndian(area, member.originalSize, 4);
    area.insert(area.end(), member.stream.begin(), member.stream.end());
    return area;
}

}  // namespace quarnel::test
