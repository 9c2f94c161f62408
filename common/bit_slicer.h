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

// Samples already delivered into memory (a filter working ahead in blocks):
// the run in progress carries over from one block to the next.
struct RunCarry {
    uint64_t n = 0;  // samples of the run in progress so far
    int last = 0;    // the newest sample of the previous block
    bool started = false;
};

// Bit i set when x[i] < 0, for the 64 ints at x.
uint64_t negative_mask_int(const int* x);

// Ends a run: the sign flips, the sample that flipped it is the newest.
inline void slicer_end_run(SlicerState& st, int sample) {
    st.par_alt = st.par;
    st.par = -st.par;
    st.last_sample = sample;
}

// Slices count samples at x exactly as read_bits_fsk would deliver them one
// by one, calling on_run(bit, len) for every run it would return.
template <class OnRun>
void slice_samples(SlicerState& st, const int* x, std::size_t count, float samples_per_bit, RunCarry& c,
                   OnRun&& on_run) {
    if (st.table_spb != samples_per_bit) fill_run_table(st, samples_per_bit);
    if (!c.started) {
        c.last = st.last_sample;
        c.started = true;
    }
    std::size_t at = 0;
    while (at < count) {
        std::size_t m = count - at < 64 ? count - at : 64;
        uint64_t neg;
        if (m == 64) {
            neg = negative_mask_int(x + at);
        } else {
            neg = 0;
            for (std::size_t i = 0; i < m; i++) neg |= static_cast<uint64_t>(x[at + i] < 0) << i;
        }
        const uint64_t before = st.par < 0 ? 1 : 0;
        uint64_t changes = neg ^ (neg << 1 | before);
        if (m < 64) changes &= (uint64_t{1} << m) - 1;
        std::size_t from = 0;
        while (changes) {
            const std::size_t i = static_cast<std::size_t>(__builtin_ctzll(changes));
            changes &= changes - 1;
            c.n += i + 1 - from;
            from = i + 1;
            const uint64_t skip_below =
                st.skip_zero_runs && !st.option_res ? static_cast<uint64_t>(st.shortest_bit_run) : 0;
            if (c.n < skip_below) {
                slicer_end_run(st, x[at + i]);
                c.n = 0;
                continue;
            }
            const int previous = i > 0 ? x[at + i - 1] : c.last;
            const int sample = x[at + i];
            slicer_end_run(st, sample);
            int bit, len;
            slicer_run_length(st, c.n, previous, sample, samples_per_bit, &bit, &len);
            c.n = 0;
            if (len > 0 || !st.skip_zero_runs) on_run(bit, len);
        }
        c.n += m - from;
        // Within a run the sign before the newest sample is the newest's.
        if (from < m) st.par_alt = st.par;
        at += m;
        c.last = x[at - 1];
    }
}

// The end of the data after slice_samples: the state read_bits_fsk leaves.
inline void slice_samples_end(SlicerState& st) { st.last_sample = kEndOfData; }
