// Two-bin tone decision by sliding sums (sliding_sums.h): the Hann-windowed
// 2200 Hz and 1200 Hz bins follow from three plain sums per bin, in single
// precision. Decisions are taken from these estimates only where they
// provably agree with the direct sums of dft_k; close calls go back to it.
//
// The sums are anchored at every multiple of kTwoBinSegment samples (counted
// from the start of the stream), so each window's estimate depends only on
// the samples, never on how they arrive in blocks. That makes whole
// segments independent: kTwoBinLanes of them run side by side, one per
// vector lane, and a long dependency chain per sample becomes a short one
// per lane.
#pragma once

#include <cstdint>

#include "ostrel/sliding_sums.h"

namespace sonde::ostrel {

// Sum 3 b + j is bin b's (0: 2200 Hz, 1: 1200 Hz) at theta_b, theta_b - phi,
// theta_b + phi for j = 0, 1, 2.
constexpr int kTwoBinSums = 6;
constexpr int kTwoBinSegment = 256;  // samples from one anchoring to the next
// Segments stepped at once: 4 in the portable build (one 128-bit vector per
// sum: the state fits SSE2's 16 registers), 8 where AVX2 is found at run time.
constexpr int kTwoBinLanes = 4;
constexpr int kTwoBinWideLanes = 8;

// The state of one stretch of samples: its sums, A and E (sliding_sums.h).
template <class V>
struct TwoBinLane {
    V re[kTwoBinSums];
    V im[kTwoBinSums];
    V abs_sum;    // exact: samples are multiples of 2^-16 below 1/2
    V sum_error;  // E
};

struct SlidingTwoBins {
    SlidingTurns<float, kTwoBinSums> turns;
    bool same_bins = false;  // both tones round to one bin: dft_k ties, giving 1
    TwoBinLane<float> lane;  // the segment in progress
};

void two_bins_init(SlidingTwoBins& s, int idx_2200, int idx_1200, SinCos sincos = sincos_reference);

// Decides the windows of count new samples, the first of which is sample
// number `first` of the stream (0-based). x holds them with the 80 samples
// before: the step to new sample i takes x_old = x[i] and x_new = x[i + 80],
// and its weighted span is x[i + 1 .. i + 80]. decision[i] becomes 0 or 1,
// or -1 where the estimates are too close to call.
void two_bins_decide(SlidingTwoBins& s, const float* x, int64_t first, int count, int8_t* decision);

}  // namespace sonde::ostrel
