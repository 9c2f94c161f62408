// Two-bin tone decision by sliding sums: the Hann-windowed values of the
// 2200 Hz and 1200 Hz bins follow from three plain (unwindowed) sliding sums
// per bin, each updated in O(1) per sample. Decisions are taken from these
// estimates only where they provably agree with the direct sums of dft_k;
// close calls go back to dft_k.
#pragma once

#include "tone_detector.h"

constexpr int kTwoBinSums = 6;            // three per bin
constexpr int kTwoBinAnchorEvery = 1024;  // samples between direct re-sums

struct SlidingTwoBins {
    // R(theta) = sum_{n<80} x[n] e^{-i theta n} over the 80 weighted samples,
    // for theta = theta_k, theta_k - phi, theta_k + phi of both bins.
    double re[kTwoBinSums];
    double im[kTwoBinSums];
    double step_re[kTwoBinSums];  // e^{i theta}
    double step_im[kTwoBinSums];
    double in_re[kTwoBinSums];    // e^{-i theta 80}, weight of the entering sample
    double in_im[kTwoBinSums];
    double tw_re[kTwoBinSums][kHannLength];  // e^{-i theta n}, for re-anchoring
    double tw_im[kTwoBinSums][kHannLength];
    int until_anchor = 0;     // 0: the next step sums directly
    double sum_error = 0.0;   // bound on |R estimate - R| of every sum
};

void two_bins_init(SlidingTwoBins& s, int idx_2200, int idx_1200);

// Moves the sums on by one sample: x_old leaves the 80-sample span, x_new
// enters it; `span` holds the 80 samples after the move, oldest first (read
// only when re-anchoring), abs_sum the sum of their |x|.
void two_bins_step(SlidingTwoBins& s, double x_old, double x_new, const double* span, double abs_sum);

// Squared magnitudes of the windowed 2200 Hz (p0) and 1200 Hz (p1) bins.
void two_bins_power(const SlidingTwoBins& s, double& p0, double& p1);

// 0 or 1 when the sliding estimates settle dft_k(idx_2200) > dft_k(idx_1200)
// or its opposite beyond doubt, -1 when they are too close to call.
int two_bins_decision(const SlidingTwoBins& s, double abs_sum);
