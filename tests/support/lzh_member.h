// One-member .lzh archives around an -lh5- bit stream, and the LZH archivers
// of the system as independent peers: lhasa (/usr/bin/lhasa) extracts and
// tests them, jlha (/usr/bin/jlha) makes them from plain files.
//
// A compressed area of the codec is an -lh5- bit stream behind 8 bytes of
// sizes; an archive member is the same bit stream behind an LHA header. So a
// stream that the peers and the codec both read must give the same bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quarnel::test {

// The CRC-16 of LHA archives (polynomial 0xA001 reflected, initial value 0).
std::uint16_t lhaCrc16(std::span<const std::uint8_t> bytes);

// The bit stream of a compressed area: the packedSize - 8 bytes behind its
// prefix. Empty when the prefix is missing or claims more than `area` holds.
std::span<const std::uint8_t> areaBitStream(std::span<const std::uint8_t> area);

// An archive of one -lh5- member (level-0 header) holding the area's bit
// stream, which unpacks to `original` (its size and CRC go into the header),
// followed by the archive's end mark.
std::vector<std::uint8_t> wrapAreaAsMember(std::span<const std::uint8_t> area, std::span<const std::uint8_t> original);

// The first member of an archive with a level-2 header, as jlha writes it.
struct LzhMember {
    std::string method;  // e.g. "-lh5-"
    std::uint32_t originalSize = 0;
    std::uint16_t crc = 0;
    std::vector<std::uint8_t> stream;
};
std::optional<LzhMember> readFirstMember(std::span<const std::uint8_t> archive);

// A compressed area (8-byte prefix, then the member's stream) for the decoder.
std::vector<std::uint8_t> memberAsArea(const LzhMember& member);

// --- The peers -------------------------------------------------------------

bool lhasaAvailable();
bool jlhaAvailable();

struct LhasaExtraction {
    bool ran = false;           // "lhasa p" printed the member
    bool crcTestPassed = false; // "lhasa t" accepted the member (it checks the CRC; "p" does not)
    std::vector<std::uint8_t> bytes;  // what "lhasa pq" printed
};
// Writes `archive` to a temporary file, tests it with "lhasa t" and prints
// its member with "lhasa pq".
LhasaExtraction extractWithLhasa(std::span<const std::uint8_t> archive);

// Compresses `data` with "jlha ao5" (method -lh5-); the archive, or nothing
// when jlha failed.
std::optional<std::vector<std::uint8_t>> compressWithJlha(std::span<const std::uint8_t> data);

}  // namespace quarnel::test
