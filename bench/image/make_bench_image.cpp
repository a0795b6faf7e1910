// make_bench_image FILE: writes the benchmark image (see bench_image.h).
#include <iostream>

#include "bench_image.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_bench_image FILE\n";
        return 2;
    }
    return quarnel::bench::writeBenchImage(argv[1]) ? 0 : 1;
}
