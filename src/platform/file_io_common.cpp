// The parts of the file layer that every system shares.
#include "file_failures.h"
#include "file_io.h"

namespace quarnel::platform {

Result cantOpen(const std::string& fileName, const std::string& reason) {
    return {Outcome::CantOpen, "Can't open " + fileName + ": " + reason};
}
Result cantCreate(const std::string& fileName, const std::string& reason) {
    return {Outcome::CantOpen, "Can't create " + fileName + ": " + reason};
}
Result errorWriting(const std::string& fileName, const std::string& reason) {
    return {Outcome::CantOpen, "Error writing " + fileName + ": " + reason};
}
std::string notRegularFile(const std::string& kind) { return "it is " + kind + ", not a regular file"; }
std::string tooLargeReason(std::uint64_t size) {
    return "it is " + std::to_string(size) +
           " bytes long; no file this tool reads is larger than the largest BIOS image, 16 MiB (16777216 bytes)";
}

std::filesystem::path filePath(const std::string& fileName) {
    return std::filesystem::path(std::u8string(fileName.begin(), fileName.end()));
}

std::string overwritesInputMessage(const std::string& inputName, const std::string& outputName) {
    if (inputName == outputName) return outputName + " would overwrite the input";
    return outputName + " is " + inputName + ": it would overwrite the input";
}

Result writeFileAtomically(const std::string& fileName, std::span<const std::uint8_t> bytes) {
    AtomicFileWriter writer;
    if (Result r = writer.open(fileName); !r.ok()) return r;
    if (Result r = writer.write(bytes); !r.ok()) return r;
    return writer.commit();
}

}  // namespace quarnel::platform
