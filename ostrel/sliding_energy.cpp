#include "ostrel/sliding_energy.h"

namespace sonde::ostrel {

void energy_init(SlidingEnergy& e, SinCos sincos) {
    const double psi[2] = {kHannPhi, 2 * kHannPhi};
    turns_init(e.turns, psi, sincos);
    e.plain = 0.0;
    e.re[0] = e.re[1] = e.im[0] = e.im[1] = 0.0;
    e.until_anchor = 0;
    e.sum_error = 0.0;
}

void energy_anchor(SlidingEnergy& e, const double* span) {
    double squares[kHannLength];
    double plain = 0.0;
    for (int n = 0; n < kHannLength; n++) {
        squares[n] = span[n] * span[n];
        plain += squares[n];
    }
    e.plain = plain;
    sums_anchor(e.turns, squares, e.re, e.im, 0, 2);
    e.until_anchor = kEnergyAnchorEvery;
    e.sum_error = bound_anchored<double>(plain);
}

}  // namespace sonde::ostrel
