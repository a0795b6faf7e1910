// --threads N of the commands that encode: how many threads share the
// encoding (default: one per hardware thread; 1: all on one thread, one
// pass). The bytes written are the same for every N.
#pragma once

#include "command.h"

namespace quarnel::cli {

inline void addThreadsOption(CLI::App& command, unsigned& threads) {
    command
        .add_option("--threads", threads,
                    "Threads that share the encoding (default: all; 1: one pass). The output is the same for every count")
        ->check(CLI::Range(1u, 1024u));
}

}  // namespace quarnel::cli
