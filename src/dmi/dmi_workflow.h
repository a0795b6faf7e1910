// The Extract and Pack workflows, shared by the window and the command line.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "dmi/dmi_session.h"
#include "dmi/dmi_view.h"
#include "image/rom_image.h"

namespace quarnel::dmi {

// Extract (Button1Click): the selector back to 1; a missing file does
// nothing more (CantOpen, nothing shown); otherwise the image is loaded,
// module 6 found and read. Done when the module was read (its problems, if
// any, have been shown); else the failure that was shown.
image::ImageResult extractDmi(DmiSession& session, DmiView& view, const std::string& fileName);

struct PackOptions {
    // Writes from an input that fails its checks, with a warning.
    bool force = false;
    // Where the image goes; by default atomically into the named file, which
    // must not be the input.
    std::function<image::ImageResult(const std::string& name, std::span<const std::uint8_t> bytes)> write;
};

// Pack (Button2Click): reloads `inputName`, refuses it when it is damaged
// or its module 6 is not the one Extract read, writes the held strings and
// the UUID back into the work buffer, puts it in as module 6 and writes the
// rebuilt image to `outputName`. Every step's message is shown; the result
// carries the failure (its message the detailed cause) or Done.
image::ImageResult packDmi(DmiSession& session, DmiView& view, const std::string& inputName,
                           const std::string& outputName, const PackOptions& options = {});

std::string packedMessage(const std::string& outputName);
std::string packFailedMessage(const std::string& outputName);
std::string notExtractedImageMessage(const std::string& inputName);

}  // namespace quarnel::dmi
