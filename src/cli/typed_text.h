// Texts given on the command line or in a batch file for DMI fields: the
// characters the window takes, written as the same Latin-1 bytes.
#pragma once

#include <string>

#include "dmi/dmi_edit.h"
#include "dmi/latin1_text.h"

namespace quarnel::cli {

// Refused: a character the ROM can't hold (beyond Latin-1) or a control
// character; the message names the field.
inline Result checkTypedText(const dmi::FieldEdit& edit) {
    const std::string field = "type " + std::to_string(edit.type) + " row " + std::to_string(edit.row);
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
