// Texts given on the command line or in a batch file for DMI fields: the
// characters the window takes, written as the same Latin-1 bytes.
#pragma once

#include <string>

#include "dmi/dmi_edit.h"
#include "dmi/identity_fields.h"
#include "dmi/latin1_text.h"

namespace quarnel::cli {

// What a UUID given on the command line or in a batch may be.
inline constexpr char UuidArgumentForms[] =
    "is no UUID: give 32 hexadecimal digits (byte 0 first), the dashed form that dmi shows as SMBIOS 2.6+ "
    "(8-4-4-4-12 digits), or random";

// Refused: a character the ROM can't hold (beyond Latin-1) or a control
// character; the message names the field.
inline Result checkTypedText(const dmi::FieldEdit& edit) {
    const std::string field = dmi::fieldLabel(edit.type, edit.row);
    std::string latin1;
    if (Result r = dmi::latin1FromUtf8(edit.text, latin1); !r.ok())
        return {r.outcome, field + ": " + r.message};
    for (std::size_t i = 0; i < latin1.size(); ++i)
        if (dmi::isControlCharacter(static_cast<unsigned char>(latin1[i])))
            return {Outcome::BadData, field + ": character " + std::to_string(i + 1) +
                                                 " is a control character (code " +
                                                 std::to_string(static_cast<unsigned char>(latin1[i])) +
                                                 "), which a DMI string can't hold"};
    return {};
}

}  // namespace quarnel::cli
