// Energy of the Hann-weighted window, sum_n (Hann[n] x[n])^2, from sliding
// sums of x^2: Hann^2 = 3/8 - 1/2 cos(phi n) + 1/8 cos(2 phi n), so three
// sums of x^2 (plain, and turning at phi and 2 phi) give it in O(1) per
// sample. By Parseval it bounds the bins the spectrum does not track.
#pragma once

#include "ostrel/tone_detector.h"
#include "ostrel/tone_tables.h"

namespace sonde::ostrel {

constexpr int kEnergyAnchorEvery = 1024;  // samples between direct re-sums

struct SlidingEnergy {
    double plain = 0.0;  // sum of x^2, exact (samples are multiples of 2^-16)
    // sum_n x[n]^2 e^{-i psi n} for psi = phi, 2 phi.
    double re[2] = {};
    double im[2] = {};
    double step_re[2] = {};  // e^{i psi}
    double step_im[2] = {};
    double in_re[2] = {};  // e^{-i psi 80}
    double in_im[2] = {};
    double tw_re[2][kHannLength] = {};
    double tw_im[2][kHannLength] = {};
    int until_anchor = 0;
    double sum_error = 0.0;  // bound on the error of re, im
};

void energy_init(SlidingEnergy& e, SinCos sincos = sincos_reference);

// As spectrum_step: x_old leaves, x_new enters, span holds the 80 samples
// after the move.
void energy_step(SlidingEnergy& e, double x_old, double x_new, const double* span);

// An upper bound on the exact weighted energy sum_n (Hann[n] x[n])^2, Hann
// the exact window.
double energy_upper(const SlidingEnergy& e);

}  // namespace sonde::ostrel
