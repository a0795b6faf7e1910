// Recorded encoder output: the encoder must keep giving exactly these bytes,
// not merely a stream that decodes. The areas were checked against a second
// encoder written apart from this one (tests/lzh/reference_encoder.py).
#include <gtest/gtest.h>

#include "lzh/encode_inputs.h"
#include "lzh/lzh.h"
#include "support/test_files.h"

namespace quarnel::test {
namespace {

// 64-bit FNV-1a.
std::uint64_t fingerprint(std::span<const std::uint8_t> bytes) {
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (const std::uint8_t b : bytes) {
        hash ^= b;
        hash *= 0x100000001b3u;
    }
    return hash;
}

struct Golden {
    std::size_t areaSize;
    std::uint64_t areaFingerprint;
};

void expectArea(const Bytes& input, const Golden& golden) {
    Bytes area(input.size() + lzh::EncodeOverhead);
    const lzh::LzhEncodeResult result = lzh::LzhEncode(input, area);
    ASSERT_TRUE(result.ok && result.complete);
    area.resize(result.size);
    EXPECT_EQ(area.size(), golden.areaSize);
    EXPECT_EQ(fingerprint(area), golden.areaFingerprint) << std::hex << "got 0x" << fingerprint(area);
}

TEST(LzhEncodeGolden, ZerosAndMixedInput) {
    expectArea(Bytes(1000, 0), {20, 0x2467099896b95dc4u});
    expectArea(mixedInput(), {57828, 0x30751675b9d1f972u});
}

// Keyed by the blob's own size and fingerprint: another build of seabios is
// skipped, not failed.
TEST(LzhEncodeGolden, SeabiosBlobs) {
    struct Blob {
        const char* name;
        std::size_t size;
        std::uint64_t fingerprint;
        Golden area;
    };
    static const Blob blobs[] = {
        {"acpi-dsdt.aml", 4585, 0x53153db61d52d6edu, {1843, 0x60799bfbd42e6055u}},
        {"bios-256k.bin", 262144, 0x75c97e8f0bcf5bb3u, {110552, 0x56dc313c903ca1f9u}},
        {"bios-microvm.bin", 131072, 0x1a6ecc1ff2d41569u, {56988, 0xf33e89b16db1a63bu}},
        {"bios.bin", 131072, 0x33d5d5d42524a2bbu, {75755, 0x5fc957009d0374b3u}},
        {"vgabios-ati.bin", 39936, 0x365a885daf4e6273u, {17750, 0xfc4254f593d8dd02u}},
        {"vgabios-bochs-display.bin", 28672, 0xe590db03ea607505u, {13949, 0xd5b97dde88127665u}},
        {"vgabios-cirrus.bin", 39424, 0xac3d3147b87f1c11u, {17546, 0x74e6bcf6d6168f08u}},
        {"vgabios-isavga.bin", 39424, 0xb18ddd360c76a4d3u, {17626, 0xe9858d2ee60b0cdfu}},
        {"vgabios-qxl.bin", 39936, 0x8bb00cdf5a18fc13u, {17912, 0x825d371291d38174u}},
        {"vgabios-ramfb.bin", 29184, 0x205df171a0d22dc5u, {13975, 0xba4b2af4d7db75b5u}},
        {"vgabios-stdvga.bin", 39936, 0xc00deaec398e938du, {17914, 0x0981a21cd77fdbdcu}},
        {"vgabios-virtio.bin", 39936, 0x95d3f4f07596df49u, {17914, 0x983ff6877c769c65u}},
        {"vgabios-vmware.bin", 39936, 0xf1b172fbc62dc619u, {17914, 0xa87612f06ef7fbbau}},
    };
    int checked = 0;
    for (const Blob& blob : blobs) {
        SCOPED_TRACE(blob.name);
        const Bytes input = readFile(std::filesystem::path("/usr/share/seabios") / blob.name);
        if (input.size() != blob.size || fingerprint(input) != blob.fingerprint) continue;
        expectArea(input, blob.area);
        ++checked;
    }
    if (checked == 0) GTEST_SKIP() << "none of the recorded seabios blobs is installed";
}

}  // namespace
}  // namespace quarnel::test
