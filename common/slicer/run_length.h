// Zero-crossing slicer: a run of samples of one sign is a run of equal bits,
// its length in bit periods rounded to whole bits. The slicer's state and the
// arithmetic of a run's length, shared by every reader of runs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sonde {

// Run lengths of up to this many samples come from a table (without
// option_res), filled with the very arithmetic of the general case.
constexpr int kRunTableSize = 64;

struct SlicerState {
    int par = 1;      // sign of the latest sample (0 counts as positive)
    int par_alt = 1;  // sign of the one before; after a run, the run's sign
    int last_sample = 0;
    float x0 = 0.0f;     // with option_res: previous crossing, in samples before the run's first sample
    int option_res = 0;  // measure runs between interpolated zero crossings
    int option_inv = 0;  // swap 0 and 1
    // Set by a capture loop while runs shorter than half a bit would be
    // ignored anyway: the slicer then passes over them itself.
    bool skip_zero_runs = false;
    float table_spb = 0.0f;  // samples per bit that run_table was made for
    int run_table[kRunTableSize] = {};
    int shortest_bit_run = 0;  // fewest samples that make a run of one bit (from the table)
    // With option_res: res_step[k] is the smallest distance between crossings,
    // in samples, that rounds to at least k bits (k = 1 .. kRunTableSize).
    float res_step[kRunTableSize + 1] = {};
    // Every run shorter than the table is at most one step longer than one
    // sample less, all within res_step.
    bool res_steps_narrow = false;
    // For interpolated crossings n samples apart (1 <= n < kRunTableSize - 1,
    // while res_steps_narrow): the length is lo, or lo + 1 when grows is set
    // and the distance reaches step; nf is n as a float.
    struct ResRun {
        float nf;
        float step;
        int lo;
        int grows;
    } res_run[kRunTableSize] = {};
};

// Longest run reported, in bits: a stream that never changes sign would
// otherwise overflow the length.
constexpr int kMaxRunBits = 1 << 30;

// A length in bit periods rounded to whole bits, halves up.
inline int whole_bits(float l) {
    double rounded = static_cast<double>(l) + 0.5;
    return rounded < static_cast<double>(kMaxRunBits) ? static_cast<int>(rounded) : kMaxRunBits;
}

void fill_run_table(SlicerState& st, float samples_per_bit);

// Interpolated crossing between previous and sample, in samples before sample.
inline float crossing_x1(int previous, int sample) {
    return static_cast<float>(sample) / static_cast<float>(sample - previous);
}

// Whole bits in a run of n samples without interpolation (the table filled).
inline int plain_run_bits(const SlicerState& st, uint64_t n, float samples_per_bit) {
    return n < kRunTableSize ? st.run_table[n] : whole_bits(static_cast<float>(n) / samples_per_bit);
}

// Length in whole bits and level of a run of n samples that ended with
// `sample` after `previous`; shared by every sample source.
inline void slicer_run_length(SlicerState& st, uint64_t n, int previous, int sample, float samples_per_bit, int* bit,
                              int* len) {
    *bit = st.option_inv ? (1 - st.par_alt) / 2 : (st.par_alt + 1) / 2;
    if (!st.option_res) {
        if (st.table_spb != samples_per_bit) fill_run_table(st, samples_per_bit);
        *len = plain_run_bits(st, n, samples_per_bit);
        return;
    }
    const float x1 = crossing_x1(previous, sample);
    *len = whole_bits((static_cast<float>(n) + st.x0 - x1) / samples_per_bit);
    st.x0 = x1;
}

// A run in progress, carried from one block of samples to the next.
struct RunCarry {
    uint64_t n = 0;  // samples of the run in progress so far
    int last = 0;    // the sample before the next block
};

// The carry for a scan that goes on from where the slicer stands.
inline RunCarry run_carry(const SlicerState& st) {
    RunCarry c;
    c.last = st.last_sample;
    return c;
}

// Bit i set where sample i of a chunk of m (1 to 64) differs in sign from
// the one before it; neg holds the chunk's sign bits.
inline uint64_t sign_changes(const SlicerState& st, uint64_t neg, std::size_t m) {
    const uint64_t changes = neg ^ (neg << 1 | static_cast<uint64_t>(st.par < 0));
    return m < 64 ? changes & ((uint64_t{1} << m) - 1) : changes;
}

// Runs shorter than this many samples are 0 bits long and passed over while
// the caller skips such runs; 0 when none are. Interpolated, a run of n
// samples spans at most n + 1 samples between its crossings.
inline unsigned skip_threshold(const SlicerState& st) {
    if (!st.skip_zero_runs) return 0;
    const int t = st.option_res ? st.shortest_bit_run - 1 : st.shortest_bit_run;
    return t > 1 ? static_cast<unsigned>(t) : 0;
}

// Length in whole bits of a run between interpolated crossings n samples
// apart (offsets x0 and x1), the same as slicer_run_length's float
// arithmetic: it lies between those of n - 1 and n + 1 plain samples, and
// the distance is compared with the smallest that reach each length between.
inline int res_run_bits(const SlicerState& st, uint64_t n, float x0, float x1, float samples_per_bit) {
    const float t = static_cast<float>(n) + x0 - x1;
    if (n + 1 < kRunTableSize) {
        int len = st.run_table[n - 1];
        const int hi = st.run_table[n + 1];
        if (hi <= kRunTableSize) {
            while (len < hi && t >= st.res_step[len + 1]) len++;
            return len;
        }
    }
    return whole_bits(t / samples_per_bit);
}

}  // namespace sonde
