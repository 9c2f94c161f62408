// Integrate-and-dump: sum the samples of exactly one bit period and decide
// the bit by the sign of the sum. Period boundaries accumulate fractional
// samples per bit in double, so they never drift.
#pragma once

#include <cstdint>

#include "io/wav_input.h"

namespace sonde {

// Where the first period after a restart begins.
enum class RawbitAnchor {
    own_count,     // at the next unread sample, counted in scount (vardo)
    sample_count,  // one sample back, at the sample the slicer consumed last (pelkin)
};

struct RawbitClock {
    RawbitAnchor anchor = RawbitAnchor::own_count;
    int bitstart = 0;        // set to restart the clock at the next read
    double bitgrenze = 0.0;  // sample position at which the current period ends
    uint64_t scount = 0;     // samples read since the restart (own_count only)
};

// Restarts the clock if bitstart is set; then moves the period end on by
// samples_per_bit.
inline void rawbit_next_period(RawbitClock& c, const WavInput& in) {
    if (c.bitstart) {
        if (c.anchor == RawbitAnchor::own_count) {
            c.scount = 0;
            c.bitgrenze = 0.0;
        } else {
            c.bitgrenze = static_cast<double>(in.sample_count - 1);
        }
        c.bitstart = 0;
    }
    c.bitgrenze += static_cast<double>(in.samples_per_bit);
}

// One bit period: returns -1 at the end of the data (bit untouched), else 0
// with the bit (1 for a sum >= 0, flipped by inv).
int read_rawbit(RawbitClock& c, WavInput& in, int inv, int* bit);

// Two bit periods, the first added and the second subtracted: a whole
// biphase symbol (1 for a high then low half), as read_rawbit otherwise.
int read_rawbit_pair(RawbitClock& c, WavInput& in, int inv, int* bit);

}  // namespace sonde
