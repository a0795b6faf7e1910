// The rows of a batch: a CSV file with a header row whose columns are
// `output` and any of `uuid` (or `system-uuid`), `typeT.R` (type 1 rows 1
// to 6, type 2 rows 1 to 5, type 3 rows 1 to 4) and the fields' keywords
// (`system-serial-number`, `chassis-asset-tag`, ...). Cells are split by
// commas, or by semicolons when the header holds semicolons and no comma.
// Fields may be quoted ("a, b" and "say ""hi"""), and a quoted field may
// span lines. An empty cell leaves its field as the ROM holds it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dmi/dmi_edit.h"
#include "image/rom_image.h"

namespace quarnel::dmi {

struct BatchRow {
    std::size_t line = 0;  // where the row starts in the file, from 1
    std::string output;    // relative to the output folder
    std::vector<FieldEdit> fields;
    std::optional<std::string> uuidText;  // as written; checked when the row is packed
};

// The rows, or a refusal (BadData) that names the line: no header or no
// `output` column, an unknown or repeated column, a row with more cells than
// the header, an output that is empty, absolute or leaves the folder, holds
// a control character or ends in a folder, or the same output on two rows
// (compared as the file system reads them: "a.rom" and "x/../a.rom" are one
// file). A leading UTF-8 byte order mark is skipped. Nothing is written when
// the file is refused.
Result readBatchRows(std::string_view csv, std::vector<BatchRow>& rows);

}  // namespace quarnel::dmi
