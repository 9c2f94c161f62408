#include "sliding_two_bins.h"

#include <cmath>

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kHannPhi = kTwoPi / 79.0;  // the window's cosine frequency

// Why the margin below is safe. With samples |x| < 0.5 and 80 of them, every
// sum here and in dft_k is at most 40 in magnitude, and a windowed bin at
// most 20.
// - dft_k against the exact windowed bin: twiddles within 1e-12 of the true
//   roots, window values within 1e-15 (both checked by the tests), plus 160
//   double roundings on terms of at most 0.5: below 1e-10.
// - The sliding estimate: a direct double sum at each anchor (error below
//   1e-12), then per step one complex rotation and three additions, each
//   adding at most 6 * 2^-53 * (40 + 2) < 3e-14, so below 1e-10 after 1024
//   steps; forming the windowed bin and its square adds below 1e-12
//   relative.
// So each estimated magnitude lies within 3e-10 of dft_k's result. If the
// squared magnitudes differ by more than 1e-6, the magnitudes (sum at most
// 41) differ by more than 2.4e-8, far beyond twice that distance: the sign
// of m0 - m1 is the one dft_k gives.
constexpr double kPowerMargin = 1.0e-6;

}  // namespace

void two_bins_init(SlidingTwoBins& s, int idx_2200, int idx_1200) {
    const int bins[2] = {idx_2200, idx_1200};
    for (int b = 0; b < 2; b++) {
        const double theta = kTwoPi * bins[b] / 128.0;
        const double thetas[3] = {theta, theta - kHannPhi, theta + kHannPhi};
        for (int j = 0; j < 3; j++) {
            const int i = 3 * b + j;
            const double t = thetas[j];
            s.re[i] = s.im[i] = 0.0;
            s.step_re[i] = std::cos(t);
            s.step_im[i] = std::sin(t);
            s.in_re[i] = std::cos(t * kHannLength);
            s.in_im[i] = -std::sin(t * kHannLength);
            for (int n = 0; n < kHannLength; n++) {
                s.tw_re[i][n] = std::cos(t * n);
                s.tw_im[i][n] = -std::sin(t * n);
            }
        }
    }
    s.until_anchor = 0;
}

void two_bins_step(SlidingTwoBins& s, double x_old, double x_new, const double* span) {
    if (s.until_anchor == 0) {
        for (int i = 0; i < kTwoBinSums; i++) {
            double re = 0.0, im = 0.0;
            for (int n = 0; n < kHannLength; n++) {
                re += span[n] * s.tw_re[i][n];
                im += span[n] * s.tw_im[i][n];
            }
            s.re[i] = re;
            s.im[i] = im;
        }
        s.until_anchor = kTwoBinAnchorEvery;
        return;
    }
    s.until_anchor--;
    // R <- e^{i theta} (R - x_old + x_new e^{-i theta 80})
    for (int i = 0; i < kTwoBinSums; i++) {
        const double tr = s.re[i] + (x_new * s.in_re[i] - x_old);
        const double ti = s.im[i] + x_new * s.in_im[i];
        s.re[i] = s.step_re[i] * tr - s.step_im[i] * ti;
        s.im[i] = s.step_re[i] * ti + s.step_im[i] * tr;
    }
}

// Hann[n] = 0.5 - 0.25 e^{i phi n} - 0.25 e^{-i phi n}, so the windowed bin
// is 0.5 R(theta) - 0.25 R(theta - phi) - 0.25 R(theta + phi).
void two_bins_power(const SlidingTwoBins& s, double& p0, double& p1) {
    double p[2];
    for (int b = 0; b < 2; b++) {
        const int i = 3 * b;
        const double re = 0.5 * s.re[i] - 0.25 * (s.re[i + 1] + s.re[i + 2]);
        const double im = 0.5 * s.im[i] - 0.25 * (s.im[i + 1] + s.im[i + 2]);
        p[b] = re * re + im * im;
    }
    p0 = p[0];
    p1 = p[1];
}

int two_bins_decision(const SlidingTwoBins& s) {
    double p0, p1;
    two_bins_power(s, p0, p1);
    const double d = p0 - p1;
    if (d > kPowerMargin) return 0;
    if (d < -kPowerMargin) return 1;
    return -1;
}
