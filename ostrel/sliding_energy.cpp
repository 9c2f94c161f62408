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

void energy_step(SlidingEnergy& e, double x_old, double x_new, const double* span) {
    const double so = x_old * x_old;
    const double sn = x_new * x_new;
    e.plain += sn - so;
    if (e.until_anchor == 0) {
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
        return;
    }
    e.until_anchor--;
    sums_step(e.turns, e.re, e.im, so, sn, 0, 2);
    e.sum_error = bound_after_step<double>(e.sum_error, e.plain, so + sn);
}

}  // namespace sonde::ostrel
