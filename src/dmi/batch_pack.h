// Many images from one: the ROM is loaded and its DMI module read once, with
// the text buffer module 6 is encoded from; each row then edits a copy of
// the held fields, encodes module 6 alone, puts it in place in a copy of the
// image as read and writes that atomically.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "dmi/dmi_edit.h"
#include "dmi/dmi_session.h"
#include "image/module_areas.h"
#include "lzh/lzh.h"

namespace quarnel::dmi {

class BatchPacker {
public:
    // Extract of the ROM and the areas of all its modules. A damaged ROM is
    // refused unless `force` (then `warn` is told what is wrong with it); a
    // module that can be read but not written back is refused with its
    // problems. `threads` share the encoding of every row's module 6.
    Result load(const std::string& romName, bool force,
                const std::function<void(const std::string&)>& warn, unsigned threads = 0);

    // One image: the edits on the fields as the ROM holds them, the UUID
    // from the edits if they give one. Cut texts add notes.
    Result packRow(const DmiEdits& edits, const std::string& outputName, std::vector<std::string>& notes);

private:
    DmiSession session_;
    std::size_t module6Index_ = 0;
    lzh::TextBuffer carried_{};
    unsigned threads_ = 0;
};

}  // namespace quarnel::dmi
