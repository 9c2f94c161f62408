// Two-bin tone decision by sliding sums: the Hann-windowed values of the
// 2200 Hz and 1200 Hz bins follow from three plain (unwindowed) sliding sums
// per bin, each updated in O(1) per sample. Decisions are taken from these
// estimates only where they provably agree with the direct sums of dft_k;
// close calls go back to dft_k.
#pragma once

#include <cmath>

#include "ostrel/tone_detector.h"
#include "ostrel/tone_tables.h"

namespace sonde::ostrel {

constexpr int kTwoBinSums = 6;            // three per bin
constexpr int kTwoBinAnchorEvery = 1024;  // samples between direct re-sums

// The two bins side by side (lane 0: 2200 Hz, lane 1: 1200 Hz), so that one
// vector operation steps both; each lane's arithmetic is the scalar one.
typedef double TwoBinPair __attribute__((vector_size(2 * sizeof(double))));

// The three sums of each bin: at theta, theta - phi and theta + phi.
constexpr int kTwoBinTurns = 3;

// The constants of a step: e^{i theta} and e^{-i theta 80} of each sum.
struct TwoBinTurn {
    TwoBinPair step_re[kTwoBinTurns];
    TwoBinPair step_im[kTwoBinTurns];
    TwoBinPair in_re[kTwoBinTurns];
    TwoBinPair in_im[kTwoBinTurns];
};

struct SlidingTwoBins {
    // R(theta) = sum_{n<80} x[n] e^{-i theta n} over the 80 weighted samples,
    // for theta = theta_k, theta_k - phi, theta_k + phi of both bins.
    TwoBinPair re[kTwoBinTurns];
    TwoBinPair im[kTwoBinTurns];
    TwoBinTurn turn;  // e^{i theta}; e^{-i theta 80}, weight of the entering sample
    // e^{-i theta n} for re-anchoring, sum j of bin b at [3 b + j].
    double tw_re[kTwoBinSums][kHannLength];
    double tw_im[kTwoBinSums][kHannLength];
    int until_anchor = 0;    // 0: the next step sums directly
    double sum_error = 0.0;  // bound on |R estimate - R| of every sum
};

void two_bins_init(SlidingTwoBins& s, int idx_2200, int idx_1200, SinCos sincos = sincos_reference);

// Sums the 80 samples of span directly and restarts the count to the next
// re-summing and the error bound.
void two_bins_anchor(SlidingTwoBins& s, const double* span, double abs_sum);

// The pieces of a step and a decision, on sums held by the caller (the
// block loop keeps them in registers).
constexpr double kTwoBinRound = 1.0 / 9007199254740992.0;  // 2^-53, one double rounding

// R <- e^{i theta} (R - x_old + x_new e^{-i theta 80}) for every sum.
inline void two_bins_advance(const TwoBinTurn& c, TwoBinPair* re, TwoBinPair* im, double x_old, double x_new) {
    for (int j = 0; j < kTwoBinTurns; j++) {
        const TwoBinPair tr = re[j] + (x_new * c.in_re[j] - x_old);
        const TwoBinPair ti = im[j] + x_new * c.in_im[j];
        re[j] = c.step_re[j] * tr - c.step_im[j] * ti;
        im[j] = c.step_re[j] * ti + c.step_im[j] * tr;
    }
}

// The error bound after a step: E + 6 u (A + E) + 16 u s, arranged to keep
// E's own dependency chain short.
inline double two_bins_error_after(double e, double abs_sum, double x_old, double x_new) {
    return e * (1.0 + 6.0 * kTwoBinRound) +
           (6.0 * kTwoBinRound * abs_sum + 16.0 * kTwoBinRound * (std::fabs(x_old) + std::fabs(x_new)));
}

// Hann[n] = 0.5 - 0.25 e^{i phi n} - 0.25 e^{-i phi n}, so the windowed bin
// is 0.5 R(theta) - 0.25 R(theta - phi) - 0.25 R(theta + phi); its squared
// magnitude, both bins at once.
inline TwoBinPair two_bins_powers(const TwoBinPair* re, const TwoBinPair* im) {
    const TwoBinPair r = 0.5 * re[0] - 0.25 * (re[1] + re[2]);
    const TwoBinPair m = 0.5 * im[0] - 0.25 * (im[1] + im[2]);
    return r * r + m * m;
}

// 0 or 1 when the squared magnitudes p0, p1 settle the comparison of the
// bins beyond the error bound e, -1 when too close to call.
inline int two_bins_decide(double p0, double p1, double e, double abs_sum) {
    const double d = e + 4.0 * kTwoBinRound * (abs_sum + e) + 1.0e-10 * abs_sum;
    const double margin = 4.01 * d * (abs_sum + d);
    const double diff = p0 - p1;
    if (diff > margin) return 0;
    if (diff < -margin) return 1;
    return -1;
}

}  // namespace sonde::ostrel
