#include "ostrel/sliding_two_bins.h"

#include <cmath>

namespace sonde::ostrel {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kHannPhi = kTwoPi / 79.0;  // the window's cosine frequency

}  // namespace

// Why the decisions are safe. Let A be the sum of |x| over the 80 weighted
// samples (|x| < 0.5). Every sum R and every windowed bin is at most A in
// magnitude.
// - dft_k differs from the exact windowed bin by less than 1e-10 A: its
//   twiddles lie within 1e-12 of the true roots and its window within 1e-15
//   of the true Hann (both checked by the tests), and its 160 double
//   roundings add far less.
// - A re-anchored sum is a direct double sum: within 1e-13 A.
// - A step with the samples x_old leaving and x_new entering (s = |x_old| +
//   |x_new|) rounds the entering term (4 u s), the addition and the product
//   by the rounded rotation (together under 4.9 u (A + E + 2 s), E the error
//   so far), while the old error is rotated, not enlarged: the bound
//   sum_error grows by 6 u (A + E) + 16 u s, u = 2^-53.
// - Forming 0.5 R0 - 0.25 (R- + R+) and its squared magnitude adds under
//   4 u (A + E) to the magnitude.
// So each estimated magnitude lies within d = E + 4 u (A + E) + 1e-10 A of
// dft_k's. As m0 + m1 <= 2 (A + d), a difference of the squared magnitudes
// above 4 d (A + d) means |m0 - m1| > 2 d: the sign dft_k gives. The factor
// 4.01 leaves room for this arithmetic's own rounding.

void two_bins_init(SlidingTwoBins& s, int idx_2200, int idx_1200, SinCos sincos) {
    const int bins[2] = {idx_2200, idx_1200};
    for (int b = 0; b < 2; b++) {
        const double theta = kTwoPi * bins[b] / 128.0;
        const double thetas[kTwoBinTurns] = {theta, theta - kHannPhi, theta + kHannPhi};
        for (int j = 0; j < kTwoBinTurns; j++) {
            const int i = kTwoBinTurns * b + j;
            const double t = thetas[j];
            s.re[j][b] = s.im[j][b] = 0.0;
            double sn, cs;
            sincos(t, sn, cs);
            s.turn.step_re[j][b] = cs;
            s.turn.step_im[j][b] = sn;
            sincos(t * kHannLength, sn, cs);
            s.turn.in_re[j][b] = cs;
            s.turn.in_im[j][b] = -sn;
            for (int n = 0; n < kHannLength; n++) {
                sincos(t * n, sn, cs);
                s.tw_re[i][n] = cs;
                s.tw_im[i][n] = -sn;
            }
        }
    }
    s.until_anchor = 0;
}

void two_bins_anchor(SlidingTwoBins& s, const double* span, double abs_sum) {
    for (int i = 0; i < kTwoBinSums; i++) {
        double re = 0.0, im = 0.0;
        for (int n = 0; n < kHannLength; n++) {
            re += span[n] * s.tw_re[i][n];
            im += span[n] * s.tw_im[i][n];
        }
        s.re[i % kTwoBinTurns][i / kTwoBinTurns] = re;
        s.im[i % kTwoBinTurns][i / kTwoBinTurns] = im;
    }
    s.until_anchor = kTwoBinAnchorEvery;
    s.sum_error = 1.0e-13 * abs_sum;
}

}  // namespace sonde::ostrel
