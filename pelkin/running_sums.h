// pelkin's matched filter: the integral of the audio over any stretch, at
// fractional times, from running sums in a 16-bit sample's steps, exact
// integers however long the stream runs (dsp/integrator.h).
#pragma once

#include <cstdint>

#include "dsp/integrator.h"

namespace sonde::pelkin {

// A sample of full scale 1 in the units of the sums.
constexpr double kSumsFullScale = sonde::SixteenBitUnits::kFullScale;

struct RunningSums : sonde::IntegerSums {
    uint64_t low_bits = 0;  // OR of all samples: their common power-of-two step
};

}  // namespace sonde::pelkin
