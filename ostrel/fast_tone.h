// Fast tone decisions, identical to tone_decision's window by window: each
// method keeps running estimates of the bins it needs, decides from them
// where they settle the decision beyond their error bound, and forms the
// window and runs the direct transform of tone_detector.h otherwise.
#pragma once

#include <cstdint>

#include "ostrel/sliding_dft.h"
#include "ostrel/sliding_two_bins.h"
#include "ostrel/tone_detector.h"

namespace sonde::ostrel {

struct FastTone {
    int option_dft = 0;
    bool same_bins = false;  // both tones round to one bin: dft_k ties
    // The newest 128 samples, stored twice so that any 128 consecutive
    // samples are contiguous: sample s sits in hist[s % 128] and
    // hist[s % 128 + 128].
    double hist[2 * kDftSize] = {};
    int slot = 0;              // where the next sample goes
    int64_t samples = 0;       // samples added so far
    double abs_sum = 0.0;      // sum of |x| over the 80 weighted samples (exact)
    SlidingTwoBins two_bins;   // option_dft 0
    SlidingSpectrum spectrum;  // option_dft 1 and 2
    int pending = -2;          // option_dft 0: the decision fast_tone_add took, as fast_tone_add_block gives it
    uint64_t decisions = 0;
    uint64_t fallbacks = 0;  // windows that went through the direct transform
};

// After set_tone_bins and init_dft on d.
void fast_tone_init(FastTone& f, const ToneDetector& d, int option_dft);

// Takes the newest scaled sample (as the ring holds it) and moves the
// running sums on; true once the window is full and can be decided.
bool fast_tone_add(FastTone& f, double x);

// Decision for the current window, exactly as decide_tone(d, ring, ptr,
// option_dft, tone_bit) would make it; ring and ptr hold the same samples
// (BitTiming's ring), used only when falling back.
void fast_tone_decide(FastTone& f, ToneDetector& d, const double* ring, int ptr, int& tone_bit);

// Samples the two-bin method takes in one block.
constexpr int kToneBlock = 1024;

// The two-bin method (option_dft 0) over count (at most kToneBlock) new
// scaled samples at once, as many fast_tone_add calls take them one by one:
// decision[i] is the tone for sample i's window, or -1 when the direct
// transform must decide it (the caller holds the ring), or -2 while the
// window is not yet full.
void fast_tone_add_block(FastTone& f, const double* x, int count, int* decision);

}  // namespace sonde::ostrel
