// Fast tone decisions, identical to tone_decision's window by window: from
// running estimates of the bins each method needs (sliding_bins.h) where
// they settle it beyond their error bound, else by the direct transform of
// tone_detector.h. Every window of a block of samples is decided at once.
#pragma once

#include <cstdint>

#include "ostrel/sliding_bins.h"
#include "ostrel/tone_detector.h"

namespace sonde::ostrel {

constexpr int kToneBlock = 4096;  // samples at most in one block

struct FastTone {
    ToneMethod method = ToneMethod::two_bins;
    int64_t samples = 0;  // samples taken so far
    // The newest 128 samples, then the block: block sample i at [128 + i],
    // its window at [i + 1 .. i + 128] (oldest first), its weighted span the
    // first 80 of those.
    double hist[kDftSize + kToneBlock] = {};
    float hist_float[kDftSize + kToneBlock] = {};  // the same values (exact in float)
    double abs_sum = 0.0;                          // methods 1, 2: sum of |x| over the weighted span (exact)
    SlidingTwoBins two_bins;                       // ToneMethod::two_bins
    SlidingSpectrum spectrum;                      // the other two
    uint64_t decisions = 0;
    uint64_t fallbacks = 0;  // windows that went through the direct transform
};

// After set_tone_bins and init_dft on d.
void fast_tone_init(FastTone& f, const ToneDetector& d, ToneMethod method);

// Takes count (at most kToneBlock) new scaled samples and sets decision[i]
// for the window ending with sample i: what tone_decision with the chosen
// method makes of it (0, 1, or kToneKept where the tone it is given stays),
// or kToneNotFull. Close calls run the direct transform on d.
void fast_tone_block(FastTone& f, ToneDetector& d, const double* x, int count, int8_t* decision);

}  // namespace sonde::ostrel
