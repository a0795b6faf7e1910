// The Extract and Pack workflows, shared by the window and the command line.
// They report through their result alone: the outcome and the message the
// user is shown; nothing is shown while they run.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "dmi/dmi_session.h"
#include "image/module_placement.h"
#include "image/rom_image.h"

namespace quarnel::dmi {

// Loads the image, finds module 6 and reads it into the session. A file
// that can't be read (CantOpen) or holds no module directory (NoDirectory)
// says why in the loader's words, which the window replaces with its own
// "Can't open <name>"; a corrupt chain says what is wrong with it. A module
// that can be read but not written back is Done, with its problems in the
// session.
Result extractDmi(DmiSession& session, const std::string& fileName);
// Extract's reading of module 6, from the image already loaded in the session.
Result readLoadedDmi(DmiSession& session);
// A failed load of `fileName` as Extract and Pack report it: a file that
// can't be read or holds no directory in the loader's own words, which name
// the file and the reason (the window shows its own text for these); a
// corrupt chain after the file's name.
Result loadFailure(const Result& result, const std::string& fileName);

struct PackRequest {
    std::string inputName;
    std::string outputName;
    // Asked when the held fields are written back, for the UUID to write:
    // 32 hexadecimal digits of either case; nothing (or no function) keeps
    // the held UUID.
    std::function<std::optional<std::string>()> uuidText{};
    // Told once the fields are written back into the module copy, before the
    // image is rebuilt ("Save").
    std::function<void()> saved{};
    // Writes from an input that fails its checks, after telling `warn` what
    // is wrong with it.
    bool force = false;
    std::function<void(const std::string& warning)> warn{};
    // Where the image goes; by default atomically into the named file. With
    // either writer, an output name that leads to the input is refused.
    std::function<Result(const std::string& name, std::span<const std::uint8_t> bytes)> write{};
    // Threads that encode module 6; 0: one per hardware thread.
    unsigned threads = 0;
    // The session holds the input as extractForPack loaded it just now, so
    // it is not read again.
    bool loaded = false;
};

// Extract for a Pack that follows at once in the same process: the input is
// checked as Pack checks it (refused when damaged, unless `force`, which
// tells `warn`) and loaded and decoded once for both.
Result extractForPack(DmiSession& session, const std::string& fileName, bool force,
                      const std::function<void(const std::string& warning)>& warn);

struct PackSummary {
    image::Placement placement = image::Placement::Unchanged;  // where module 6 went
};

// The input is reported as Extract reports it; an output that can't be
// written, or that is the input, is CantWrite.
// Reloads the input (unless request.loaded), refuses it when it is damaged
// or its module 6 is not the one Extract read, writes the held fields and
// the UUID into a fresh copy of module 6 as read, and writes the image with
// module 6 alone encoded again and put in place (image/module_placement.h):
// every other byte stays as read. Contents that come out as they were read
// keep module 6's block as it is, so the image is written as it was read. A
// failure carries the message of the step that failed; on success the
// caller says packedMessage, and `summary` (if given) says where module 6
// went.
Result packDmi(DmiSession& session, const PackRequest& request, PackSummary* summary = nullptr);

// The index of module 6 in the list; the list's size when there is none.
std::size_t module6Index(const image::RomImage& image);

std::string packedMessage(const std::string& outputName);
std::string packFailedMessage(const std::string& outputName);
std::string notExtractedImageMessage(const std::string& inputName);

}  // namespace quarnel::dmi
