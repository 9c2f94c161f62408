// A decimating low-pass for a kind that gets more samples than it can use:
// a linear-phase FIR (Kaiser window) with its passband to 0.38 of the
// output rate and 60 dB down from 0.5 of it, run on fixed buffers.
#pragma once

#include <cstdint>
#include <vector>

namespace sonde::sonderx {

struct Decimator {
    int factor = 1;
    int taps = 1;
    std::vector<float> h;    // the taps, reversed: h[taps - 1 - k] weighs the sample k back
    std::vector<float> buf;  // taps - 1 samples of history, then the block
    int next = 0;            // where the next output falls, past the history
    int max_in = 0;
};

// The only allocation. max_in: most samples per call.
void decimator_init(Decimator& d, int factor, int64_t in_rate_hz, int max_in);

// n <= max_in samples in; returns the outputs written (at most n / factor + 1).
int decimator_run(Decimator& d, const float* in, int n, float* out);

}  // namespace sonde::sonderx
