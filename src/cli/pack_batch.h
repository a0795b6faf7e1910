// quarnel-cli pack ROM --batch FILE.csv --out-dir DIR: one image per row of
// the CSV, each written atomically; a row that fails is reported with its
// line number and the others go on. No row writes over the ROM or the CSV,
// makes a folder outside DIR or writes through a link that leads out of it.
#pragma once

#include <string>

namespace quarnel::cli {

struct BatchOptions {
    std::string romName;
    std::string csvName;
    std::string outDir;
    bool force = false;
    unsigned threads = 0;  // share the encoding of the modules, as in a single pack
    bool keepLengths = false;
};

// The exit status: 0 when every row was written, 1 when any failed, 2 when
// the CSV was refused (nothing written), 4 when a file can't be read.
int packBatch(const BatchOptions& options);

}  // namespace quarnel::cli
