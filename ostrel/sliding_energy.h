// Energy of the Hann-weighted window, sum_n (Hann[n] x[n])^2, from sliding
// sums of x^2 (sliding_sums.h): Hann^2 = 3/8 - 1/2 cos(phi n) + 1/8
// cos(2 phi n), so a plain sum of x^2 and two turning at phi and 2 phi give
// it in O(1) per sample. By Parseval it bounds the bins the spectrum does
// not track.
#pragma once

#include "ostrel/sliding_sums.h"

namespace sonde::ostrel {

constexpr int kEnergyAnchorEvery = 1024;  // samples between direct re-sums

struct SlidingEnergy {
    SlidingTurns<double, 2> turns;  // at phi and 2 phi
    double plain = 0.0;             // sum of x^2, exact (squares of multiples of 2^-16 below 1/4)
    double re[2] = {};
    double im[2] = {};
    int until_anchor = 0;
    double sum_error = 0.0;  // E of the turning sums, with x^2 (sum plain) in place of x
};

void energy_init(SlidingEnergy& e, SinCos sincos = sincos_reference);

// Sums the span directly (the step's slow branch).
void energy_anchor(SlidingEnergy& e, const double* span);

// As the spectrum steps: x_old leaves, x_new enters, span holds the 80
// samples after the move.
inline void energy_step(SlidingEnergy& e, double x_old, double x_new, const double* span) {
    if (e.until_anchor == 0) {
        energy_anchor(e, span);
        return;
    }
    const double so = x_old * x_old;
    const double sn = x_new * x_new;
    e.plain += sn - so;
    e.until_anchor--;
    sums_step(e.turns, e.re, e.im, so, sn, 0, 2);
    e.sum_error = bound_after_step<double>(e.sum_error, e.plain, so + sn);
}

// An upper bound on the exact weighted energy sum_n (Hann[n] x[n])^2, Hann
// the exact window: 3/8 plain - 1/2 Re R(phi) + 1/8 Re R(2 phi), the turning
// sums carrying their error at weights 1/2 and 1/8, the combination's
// rounding below 4 u plain.
inline double energy_upper(const SlidingEnergy& e) {
    const double v = 0.375 * e.plain - 0.5 * e.re[0] + 0.125 * e.re[1];
    return v + 0.625 * e.sum_error + 4.0 * SumBound<double>::u * e.plain;
}

}  // namespace sonde::ostrel
