// The one result of every operation that can fail, from the codec up: an
// outcome and the message the user is shown. Callers pass it up as it is or
// put the name of what they were doing in front of the message; the window
// shows the message, the command line prints it and exits by the outcome.
#pragma once

#include <string>

namespace quarnel {

enum class Outcome {
    Done,
    NoDirectory,  // the file holds no "AMIBIOSC": the window reports "Can't open <name>"
    CantOpen,     // a file can't be opened or read (or, at the lowest level, written)
    CantWrite,    // an output that can't be written, or would overwrite the input
    BadData,      // a corrupt chain, module or stream; a rebuild that would not be faithful
    NoMemory,
    NotLoaded,
};

struct Result {
    Outcome outcome = Outcome::Done;
    std::string message;  // the text the user is shown; empty when Done
    bool ok() const { return outcome == Outcome::Done; }
};

}  // namespace quarnel
