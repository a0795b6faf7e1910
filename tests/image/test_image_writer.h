// Writes ROM image files for tests, independently of the container code:
// an "AMIBIOSC" directory, module blocks wherever the test puts them, the
// chain of links in the form the test chooses, and correct block and
// directory checksums. The rest of the file is filled with a pattern that is
// neither 0x00 nor 0xFF, so erased and kept bytes can be told apart.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quarnel::test {

enum class LinkForm {
    Normalised,  // offset = linear & 0xF
    Shifted,     // offset raised by 0x1000, segment lowered by 0x100 (needs linear >= 0x1000)
};

struct TestModule {
    std::uint32_t headerOffset = 0;  // file offset of the header; the block starts 8 bytes below
    std::uint8_t moduleId = 0;
    std::uint8_t flags = 0;
    std::uint16_t subId1 = 0;
    std::uint16_t subId2 = 0;
    std::vector<std::uint8_t> dataArea{};     // as it lies in the image (stored contents or a compressed area)
    LinkForm linkForm = LinkForm::Normalised; // form of the link that points at this module
};

class TestImageWriter {
public:
    TestImageWriter(std::uint32_t fileSize, std::uint32_t directoryOffset);

    // Appends a module to the chain; chain order is the order of the calls,
    // whatever the header offsets.
    TestImageWriter& addModule(TestModule module);
    // Length of the directory checksum stretch in 8-byte units (default 2).
    TestImageWriter& setChecksumUnits(std::uint16_t units);
    // The four characters after the signature (fill unless set). "06.."
    // blocks have no prefix and no checksum; "0700" blocks an 8-bit one.
    TestImageWriter& setDirectoryVersion(const char (&version)[5]);
    // The bytes between the directory header and the end of the file, and
    // the 10 bytes below the signature, hold the fill pattern unless set.
    std::vector<std::uint8_t> build() const;

private:
    std::uint32_t fileSize_;
    std::uint32_t directoryOffset_;
    std::uint16_t checksumUnits_ = 2;
    std::string version_;
    std::vector<TestModule> modules_;
};

// The compressed area of `contents`, made by the codec's encoder (tested on
// its own); a test fails if the encoder can't make one.
std::vector<std::uint8_t> compressedArea(std::span<const std::uint8_t> contents);

// `length` bytes of real x86 firmware: the code of seabios's bios-256k.bin
// (its first 0x14000 bytes are zeros), `skip` bytes into it; at most 0x2C000.
std::vector<std::uint8_t> seabiosCode(std::size_t length, std::size_t skip = 0);

// Little-endian fields and links as the image stores them.
std::uint32_t le32(std::span<const std::uint8_t> bytes, std::uint32_t at);
std::uint16_t le16(std::span<const std::uint8_t> bytes, std::uint32_t at);
void putLe32(std::span<std::uint8_t> bytes, std::uint32_t at, std::uint32_t value);
void putLe16(std::span<std::uint8_t> bytes, std::uint32_t at, std::uint16_t value);
void putLink(std::span<std::uint8_t> bytes, std::uint32_t at, std::int64_t fileOffset, LinkForm form);
inline constexpr std::uint32_t ChainEndLink = 0xFFFFFFFF;

// The wrapping sum of the little-endian words of a stretch; a last partial
// word takes the bytes behind it. A stretch whose checksum holds sums to 0.
std::uint32_t wordSum(std::span<const std::uint8_t> bytes, std::uint32_t start, std::uint32_t length);

}  // namespace quarnel::test
