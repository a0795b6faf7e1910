#include "sample/sample_dmi_module.h"

#include <initializer_list>

namespace quarnel::sample {
namespace {

class TableWriter {
public:
    // `formatted` is the formatted area behind the 4-byte header.
    void structure(std::uint8_t type, std::uint16_t handle, std::initializer_list<std::uint8_t> formatted,
                   std::initializer_list<std::string_view> strings) {
        bytes_.push_back(type);
        bytes_.push_back(static_cast<std::uint8_t>(4 + formatted.size()));
        bytes_.push_back(static_cast<std::uint8_t>(handle));
        bytes_.push_back(static_cast<std::uint8_t>(handle >> 8));
        bytes_.insert(bytes_.end(), formatted);
        for (std::string_view text : strings) {
            bytes_.insert(bytes_.end(), text.begin(), text.end());
            bytes_.push_back(0);
        }
        if (strings.size() == 0) bytes_.push_back(0);
        bytes_.push_back(0);
    }

    std::vector<std::uint8_t>& bytes() { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace

std::vector<std::uint8_t> sampleDmiModule() {
    TableWriter table;
    // The module's header as AMIBIOS 8 lays it: a marker, a version, and
    // where the table ends (set below).
    table.bytes() = {'_', 'A', 'M', 'I', 'D', 'M', 'I', '_', 0x03, 0x02, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00};

    // BIOS information: the vendor string is the signature; the version
    // string of 12 characters puts the date 33 bytes after it.
    table.structure(0, 0x0000,
                    {1, 2, 0x00, 0xE0, 3, 0x07, 0x80, 0x98, 0x8B, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x33, 0x05},
                    {"American Megatrends", "08.00.15-A07", SampleBiosDate});
    const auto& u = SampleUuid;
    table.structure(1, 0x0001,
                    {1, 2, 3, 4, u[0], u[1], u[2], u[3], u[4], u[5], u[6], u[7], u[8], u[9], u[10], u[11], u[12],
                     u[13], u[14], u[15], 0x06, 5, 6},
                    {SampleSystemStrings[0], SampleSystemStrings[1], SampleSystemStrings[2], SampleSystemStrings[3],
                     SampleSystemStrings[4], SampleSystemStrings[5]});
    table.structure(2, 0x0002, {1, 2, 3, 4, 5, 0x09, 6, 0x03, 0x00, 0x0A, 0},
                    {SampleBoardStrings[0], SampleBoardStrings[1], SampleBoardStrings[2], SampleBoardStrings[3],
                     SampleBoardStrings[4], SampleBoardStrings[5]});
    table.structure(3, 0x0003, {1, 0x03, 2, 3, 4, 0x03, 0x03, 0x03, 0x03, 0, 0, 0, 0},
                    {SampleChassisStrings[0], SampleChassisStrings[1], SampleChassisStrings[2],
                     SampleChassisStrings[3]});
    table.structure(4, 0x0004,
                    {1, 0x03, 0xBF, 2, 0x76, 0x06, 0x01, 0x00, 0xFF, 0xFB, 0xEB, 0xBF, 3, 0x8A, 0x0A, 0x01, 0xB8,
                     0x0B, 0x6A, 0x0A, 0x41, 0x15, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0},
                    {"LGA775", "Intel", "Intel(R) Core(TM)2 Duo CPU E8200 @ 2.66GHz"});
    table.structure(127, 0x0005, {}, {});

    std::vector<std::uint8_t>& bytes = table.bytes();
    bytes[13] = static_cast<std::uint8_t>(bytes.size());
    bytes[14] = static_cast<std::uint8_t>(bytes.size() >> 8);
    // Room the BIOS keeps for structures it adds at run time.
    bytes.resize(bytes.size() + 512, 0x00);
    return bytes;
}

}  // namespace quarnel::sample
