#include "ostrel/sliding_energy.h"

#include <cmath>

namespace sonde::ostrel {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kHannPhi = kTwoPi / 79.0;
constexpr double kRound = 1.0 / 9007199254740992.0;  // 2^-53

}  // namespace

// Error argument as for the two-bin sums (sliding_two_bins.cpp), with x^2 in
// place of x: squares of multiples of 2^-16 below 0.5 are exact multiples of
// 2^-32 below 0.25, so `plain` (at most 20) is exact, and the turning sums
// gain at most 6 u (plain + E) + 16 u (x_old^2 + x_new^2) per step, from a
// direct sum within 1e-13 plain.

void energy_init(SlidingEnergy& e, SinCos sincos) {
    e.plain = 0.0;
    for (int j = 0; j < 2; j++) {
        const double psi = (j + 1) * kHannPhi;
        e.re[j] = e.im[j] = 0.0;
        double sn, cs;
        sincos(psi, sn, cs);
        e.step_re[j] = cs;
        e.step_im[j] = sn;
        sincos(psi * kHannLength, sn, cs);
        e.in_re[j] = cs;
        e.in_im[j] = -sn;
        for (int n = 0; n < kHannLength; n++) {
            sincos(psi * n, sn, cs);
            e.tw_re[j][n] = cs;
            e.tw_im[j][n] = -sn;
        }
    }
    e.until_anchor = 0;
    e.sum_error = 0.0;
}

void energy_step(SlidingEnergy& e, double x_old, double x_new, const double* span) {
    const double so = x_old * x_old;
    const double sn = x_new * x_new;
    e.plain += sn - so;
    if (e.until_anchor == 0) {
        double plain = 0.0;
        for (int n = 0; n < kHannLength; n++) plain += span[n] * span[n];
        e.plain = plain;
        for (int j = 0; j < 2; j++) {
            double re = 0.0, im = 0.0;
            for (int n = 0; n < kHannLength; n++) {
                const double x2 = span[n] * span[n];
                re += x2 * e.tw_re[j][n];
                im += x2 * e.tw_im[j][n];
            }
            e.re[j] = re;
            e.im[j] = im;
        }
        e.until_anchor = kEnergyAnchorEvery;
        e.sum_error = 1.0e-13 * e.plain;
        return;
    }
    e.until_anchor--;
    for (int j = 0; j < 2; j++) {
        const double tr = e.re[j] + (sn * e.in_re[j] - so);
        const double ti = e.im[j] + sn * e.in_im[j];
        e.re[j] = e.step_re[j] * tr - e.step_im[j] * ti;
        e.im[j] = e.step_re[j] * ti + e.step_im[j] * tr;
    }
    e.sum_error = e.sum_error * (1.0 + 6.0 * kRound) + (6.0 * kRound * e.plain + 16.0 * kRound * (so + sn));
}

// 3/8 plain - 1/2 Re R(phi) + 1/8 Re R(2 phi): the turning sums carry their
// error at weights 1/2 and 1/8, the combination's rounding stays below
// 4 u plain.
double energy_upper(const SlidingEnergy& e) {
    const double v = 0.375 * e.plain - 0.5 * e.re[0] + 0.125 * e.re[1];
    return v + 0.625 * e.sum_error + 4.0 * kRound * e.plain;
}

}  // namespace sonde::ostrel
