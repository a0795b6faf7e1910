// quarnel-cli pack ROM --batch FILE.csv --out-dir DIR: one image per row of
// the CSV, each written atomically; a row that fails is reported with its
// line number and the others go on. No row writes over the ROM or the CSV,
// makes a folder outside DIR or writes through a link that leads out of it.
#pragma once

#include <string>

namespace quarnel::cli {

// The exit status: 0 when every row was written, 1 when any failed, 2 when
// the CSV was refused (nothing written), 4 when a file can't be read.
// `threads` share the encoding of the modules, as in a single pack.
int packBatch(const std::string& romName, const std::string& csvName, const std::string& outDir, bool force,
              unsigned threads);

}  // namespace quarnel::cli
