// The texts the DMI workflows show.
#pragma once

namespace quarnel::dmi::messages {

inline constexpr char NoDmiSupport[] = "Bios DONT support DMI changes";
inline constexpr char NoType2[] = "Can't find type 2 in DMI";
inline constexpr char NoType3[] = "Can't find type 3 in DMI";
inline constexpr char NoModule6[] = "Can't find Module ID 06";
inline constexpr char CantOpen[] = "Can't open ";
inline constexpr char Save[] = "Save";
inline constexpr char CouldNotInsert[] = "Could not insert module";
inline constexpr char NotExtracted[] = "Extract a BIOS file first";
inline constexpr char BadUuid[] = "The UUID must be exactly 32 hexadecimal digits (0-9, A-F)";
inline constexpr char SignatureNearEnd[] =
    "The DMI module is damaged: it ends less than 69 bytes after \"American Megatrends\"";
inline constexpr char StringPastEnd[] = "The DMI module is damaged: a string runs past the end of the module";
inline constexpr char HeaderPastEnd[] =
    "The DMI module is damaged: a structure header lies beyond the end of the module";

}  // namespace quarnel::dmi::messages
