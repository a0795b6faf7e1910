// Many images from one: the ROM is loaded, its DMI module read and every
// module's data area made once; each row then edits a copy of the held
// fields, makes the area of module 6 alone again, lays the chain out on a
// copy of the loaded image and writes it atomically.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "dmi/dmi_edit.h"
#include "dmi/dmi_session.h"
#include "image/module_areas.h"

namespace quarnel::dmi {

class BatchPacker {
public:
    // Extract of the ROM and the areas of all its modules. A damaged ROM is
    // refused unless `force` (then `warn` is told what is wrong with it); a
    // module that can be read but not written back is refused with its
    // problems.
    Result load(const std::string& romName, bool force,
                const std::function<void(const std::string&)>& warn);

    // One image: the edits on the fields as the ROM holds them, the UUID
    // from the edits if they give one. Cut texts add notes.
    Result packRow(const DmiEdits& edits, const std::string& outputName, std::vector<std::string>& notes);

private:
    DmiSession session_;
    std::vector<image::ModuleArea> areas_;
    std::size_t module6Index_ = 0;
    std::uint8_t module6Flags_ = 0;
};

}  // namespace quarnel::dmi
