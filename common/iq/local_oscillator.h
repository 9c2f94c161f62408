// A local oscillator that mixes complex samples down by a frequency: the
// phase kept in double precision from block to block, the block's phasors
// e^(-i 2 pi f j) made by a recurrence in double whenever the frequency
// changes, so mixing costs two complex products per sample.
#pragma once

#include <vector>

namespace sonde::iq {

struct LocalOscillator {
    double cycles = 0.0;       // frequency, cycles per sample
    double phase = 0.0;        // cycles, in [0, 1)
    std::vector<float> table;  // e^(-i 2 pi cycles j), j < block
};

void lo_init(LocalOscillator& lo, int block);

// A new frequency from the next sample on (the phase runs on unbroken).
void lo_set(LocalOscillator& lo, double cycles_per_sample);

// out[j] = in[j] e^(-i 2 pi (phase + cycles j)), n <= block; advances the phase.
void lo_mix(LocalOscillator& lo, const float* in, float* out, int n);

}  // namespace sonde::iq
