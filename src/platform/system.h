// What the programs need from the system they run on, one implementation per
// system (system_posix.cpp, system_windows.cpp), so the commands stay
// the same everywhere.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/rom_image.h"

namespace quarnel::platform {

// An interrupted run (Ctrl+C, a closed terminal or console, a request to
// end) leaves no temporary file behind, then ends as it would have.
void removeTemporaryFilesOnInterrupt();

// Standard output passes data bytes as they are (no line-end translation),
// and messages naming files show their letters.
void prepareStandardStreams();

// The program's arguments, file names included, as the file layer takes
// them: UTF-8 on Windows, the bytes given on POSIX.
std::vector<std::string> commandLineArguments(int argc, char** argv);

bool standardErrorIsTerminal();

// Where Linux hands out the SMBIOS structure table.
inline constexpr char SystemTablePath[] = "/sys/firmware/dmi/tables/DMI";

// This machine's own SMBIOS structure table, as the system hands it out, and
// what messages call it.
Result readSystemTable(std::vector<std::uint8_t>& table);
std::string systemTableName();

}  // namespace quarnel::platform
