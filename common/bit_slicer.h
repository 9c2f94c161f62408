// Zero-crossing slicer: the receiver's discriminator output is positive for
// one symbol and negative for the other, so a run of samples of one sign is a
// run of equal bits. The run's length in bit periods is rounded to whole bits.
#pragma once

#include <cstdint>

#include "wav_input.h"

// Run lengths of up to this many samples come from a table (without
// option_res), filled with the very arithmetic of the general case.
constexpr int kRunTableSize = 64;

struct SlicerState {
    int par = 1;      // sign of the latest sample (0 counts as positive)
    int par_alt = 1;  // sign of the one before; after a run, the run's sign
    int last_sample = 0;
    float x0 = 0.0f;  // with option_res: previous crossing, in samples before the run's first sample
    int option_res = 0;  // measure runs between interpolated zero crossings
    int option_inv = 0;  // swap 0 and 1
    // Set by a capture loop while a run shorter than half a bit would be
    // ignored anyway: such runs are then passed over inside the slicer (with
    // every effect on this state) instead of being reported one by one.
    bool skip_zero_runs = false;
    float table_spb = 0.0f;  // samples per bit that run_table was made for
    int run_table[kRunTableSize] = {};
    int shortest_bit_run = 0;  // fewest samples that make a run of one bit (from the table)
};

// Longest run reported, in bits: a stream that never changes sign would
// otherwise overflow the length; no frame is anywhere near this long.
constexpr int kMaxRunBits = 1 << 30;

// Reads one run from source (read_sample(source) delivers the samples: the
// WAV input, or a filter in front of it). Returns 0 with the run's level and
// length in whole bits, or -1 at the end of the data with both untouched.
// Length in whole bits and level of a run of n samples that ended with
// `sample` after `previous`; shared by every sample source.
inline int whole_bits(float l) {
    double rounded = static_cast<double>(l) + 0.5;
    return rounded < static_cast<double>(kMaxRunBits) ? static_cast<int>(rounded) : kMaxRunBits;
}

void fill_run_table(SlicerState& st, float samples_per_bit);

inline void slicer_run_length(SlicerState& st, uint64_t n, int previous, int sample, float samples_per_bit, int* bit,
                              int* len) {
    *bit = st.option_inv ? (1 - st.par_alt) / 2 : (st.par_alt + 1) / 2;
    if (!st.option_res && n < kRunTableSize) {
        if (st.table_spb != samples_per_bit) fill_run_table(st, samples_per_bit);
        *len = st.run_table[n];
        return;
    }
    float l;
    if (!st.option_res) {
        l = static_cast<float>(n) / samples_per_bit;
    } else {
        // Linear interpolation of the crossing between previous and sample.
        float x1 = static_cast<float>(sample) / static_cast<float>(sample - previous);
        l = (static_cast<float>(n) + st.x0 - x1) / samples_per_bit;
        st.x0 = x1;
    }
    *len = whole_bits(l);
}

// Reads one run from source (read_sample(source) delivers the samples: a
// filter in front of the WAV input, for example). Returns 0 with the run's
// level and length in whole bits, or -1 at the end of the data with both
// untouched.
template <class Source>
int read_bits_fsk(SlicerState& st, Source& source, float samples_per_bit, int* bit, int* len) {
    for (;;) {
        uint64_t n = 0;
        int previous;
        int sample = st.last_sample;
        do {
            previous = sample;
            sample = read_sample(source);
            if (sample == kEndOfData) {
                st.last_sample = sample;
                return -1;
            }
            st.par_alt = st.par;
            st.par = sample >= 0 ? 1 : -1;
            n++;
        } while (st.par * st.par_alt > 0);
        st.last_sample = sample;
        slicer_run_length(st, n, previous, sample, samples_per_bit, bit, len);
        if (*len > 0 || !st.skip_zero_runs) return 0;
    }
}

// The same for the plain WAV input, scanning the input block directly.
int read_bits_fsk(SlicerState& st, WavInput& in, float samples_per_bit, int* bit, int* len);
