// lzh-wrap AREA ORIGINAL ARCHIVE: writes the compressed area's bit stream as
// a one-member .lzh archive, with the size and CRC of the original file, so
// that other LZH tools can read the same stream.
#include <cstdio>

#include "support/lzh_member.h"
#include "support/test_files.h"

int main(int argc, char** argv) {
    using namespace quarnel::test;
    if (argc != 4) {
        std::fprintf(stderr, "usage: lzh-wrap AREA ORIGINAL ARCHIVE\n");
        return 2;
    }
    const std::vector<std::uint8_t> area = readFile(argv[1]);
    const std::vector<std::uint8_t> original = readFile(argv[2]);
    if (areaBitStream(area).empty()) {
        std::fprintf(stderr, "lzh-wrap: %s holds no compressed area\n", argv[1]);
        return 1;
    }
    if (!writeFile(argv[3], wrapAreaAsMember(area, original))) {
        std::fprintf(stderr, "lzh-wrap: can't write %s\n", argv[3]);
        return 4;
    }
    return 0;
}
