// The image fuzzer's seeds: chains of every generation laid out as the
// builders lay them (top-down, bottom-up with stored blocks first), with a
// module 6 behind the "_AMIDMI_" header, in the input form of
// image_fuzz_input.h, each with an edit that reaches one of the placements.
#pragma once

#include "seed_sources.h"

namespace quarnel::fuzz {

Seeds chainSeeds(const SeedSources& sources);

}  // namespace quarnel::fuzz
