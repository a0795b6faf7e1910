#include "image/test_image_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "lzh/lzh.h"

namespace quarnel::test {

std::uint32_t le32(std::span<const std::uint8_t> bytes, std::uint32_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::uint16_t le16(std::span<const std::uint8_t> bytes, std::uint32_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

void putLe32(std::span<std::uint8_t> bytes, std::uint32_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void putLe16(std::span<std::uint8_t> bytes, std::uint32_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void putLink(std::span<std::uint8_t> bytes, std::uint32_t at, std::int64_t fileOffset, LinkForm form) {
    const auto linear = static_cast<std::uint32_t>(fileOffset + 0x100000 - static_cast<std::int64_t>(bytes.size()));
    std::uint32_t offset = linear & 0xF;
    std::uint32_t segment = linear >> 4;
    if (form == LinkForm::Shifted) {
        offset += 0x1000;
        segment -= 0x100;
    }
    putLe16(bytes, at, static_cast<std::uint16_t>(offset));
    putLe16(bytes, at + 2, static_cast<std::uint16_t>(segment));
}

std::uint32_t wordSum(std::span<const std::uint8_t> bytes, std::uint32_t start, std::uint32_t length) {
    std::uint32_t sum = 0;
    for (std::uint32_t at = start; at < start + length; at += 4)
        for (std::uint32_t i = 0; i < 4 && at + i < bytes.size(); ++i) sum += static_cast<std::uint32_t>(bytes[at + i]) << (8 * i);
    return sum;
}

TestImageWriter::TestImageWriter(std::uint32_t fileSize, std::uint32_t directoryOffset)
    : fileSize_(fileSize), directoryOffset_(directoryOffset) {}

TestImageWriter& TestImageWriter::addModule(TestModule module) {
    modules_.push_back(std::move(module));
    return *this;
}

TestImageWriter& TestImageWriter::setChecksumUnits(std::uint16_t units) {
    checksumUnits_ = units;
    return *this;
}

TestImageWriter& TestImageWriter::setDirectoryVersion(const char (&version)[5]) {
    version_ = version;
    return *this;
}

std::vector<std::uint8_t> TestImageWriter::build() const {
    const bool noPrefix = version_.starts_with("06");
    std::vector<std::uint8_t> bytes(fileSize_);
    for (std::uint32_t i = 0; i < fileSize_; ++i) bytes[i] = static_cast<std::uint8_t>(0x11 + (i * 7) % 0xE0);
    const std::uint8_t signature[] = {'A', 'M', 'I', 'B', 'I', 'O', 'S', 'C'};
    std::copy(std::begin(signature), std::end(signature), bytes.begin() + directoryOffset_);
    std::copy(version_.begin(), version_.end(), bytes.begin() + directoryOffset_ + 8);
    putLe16(bytes, directoryOffset_ + 12, checksumUnits_);

    std::uint32_t linkAt = directoryOffset_ + 18;
    for (const TestModule& module : modules_) {
        const std::uint32_t header = module.headerOffset;
        if (!noPrefix) {
            putLe32(bytes, header - 8, static_cast<std::uint32_t>(module.dataArea.size()));
            putLe32(bytes, header - 4, 0);
        }
        putLe16(bytes, header + 4, static_cast<std::uint16_t>(std::min<std::size_t>(module.dataArea.size(), 0xFFFF)));
        bytes[header + 6] = module.moduleId;
        bytes[header + 7] = module.flags;
        putLe16(bytes, header + 8, module.subId1);
        putLe16(bytes, header + 10, module.subId2);
        std::copy(module.dataArea.begin(), module.dataArea.end(), bytes.begin() + header + 12);
        putLink(bytes, linkAt, header, module.linkForm);
        linkAt = header;
    }
    putLe32(bytes, linkAt, ChainEndLink);

    for (const TestModule& module : modules_) {
        if (noPrefix) break;
        const std::uint32_t start = module.headerOffset - 8;
        const auto length = static_cast<std::uint32_t>(module.dataArea.size()) + 20;
        if (version_ == "0700") {
            std::uint32_t sum = 0;
            for (std::uint32_t i = 0; i < length; ++i) sum += bytes[start + i];
            putLe32(bytes, start + 4, (0u - sum) & 0xFF);
        } else {
            putLe32(bytes, start + 4, 0u - wordSum(bytes, start, length));
        }
    }
    const std::uint32_t stretch = 8u * checksumUnits_;
    putLe32(bytes, directoryOffset_ + 14, 0);
    putLe32(bytes, directoryOffset_ + 14, 0u - wordSum(bytes, directoryOffset_ + 22 - stretch, stretch));
    return bytes;
}

std::vector<std::uint8_t> compressedArea(std::span<const std::uint8_t> contents) {
    std::vector<std::uint8_t> area(contents.size() + lzh::EncodeOverhead);
    lzh::LzhEncoded result;
    EXPECT_TRUE(lzh::LzhEncode(contents, area, result).ok() && result.complete)
        << "the encoder could not pack " << contents.size() << " bytes";
    area.resize(result.size);
    return area;
}

std::vector<std::uint8_t> seabiosCode(std::size_t length, std::size_t skip) {
    const std::size_t offset = 0x14000 + skip;
    std::ifstream in(QUARNEL_SEABIOS_DIR "/bios-256k.bin", std::ios::binary);
    std::vector<std::uint8_t> code(length);
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(reinterpret_cast<char*>(code.data()), static_cast<std::streamsize>(length));
    EXPECT_EQ(in.gcount(), static_cast<std::streamsize>(length)) << "seabios is not installed";
    return code;
}

}  // namespace quarnel::test
