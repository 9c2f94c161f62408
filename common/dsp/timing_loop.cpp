#include "timing_loop.h"

namespace sonde {

TimingLoop timing_loop_make(double samples_per_symbol, double bn_t, double damping) {
    TimingLoop l;
    l.nominal = samples_per_symbol;
    l.period = samples_per_symbol;
    // Discrete second-order loop gains for a unit-gain detector.
    const double theta = bn_t / (damping + 0.25 / damping);
    const double d = 1.0 + 2.0 * damping * theta + theta * theta;
    l.kp = 4.0 * damping * theta / d;
    l.ki = 4.0 * theta * theta / d;
    return l;
}

void timing_loop_advance(TimingLoop& l, double late) {
    l.period -= l.ki * late;
    const double lo = l.nominal * (1.0 - l.max_rate_error);
    const double hi = l.nominal * (1.0 + l.max_rate_error);
    if (l.period < lo) l.period = lo;
    if (l.period > hi) l.period = hi;
    l.next += l.period - l.kp * late;
}

double gardner_late(double before, double mid, double after, double energy, double samples_per_symbol) {
    if (energy <= 0.0) return 0.0;
    // Late by tau at a transition from +a to -a: mid = -2 a tau, before - after
    // = 2 a T, energy = a^2 T^2, so mid * (after - before) = 4 energy tau / T.
    return mid * (after - before) * samples_per_symbol / (4.0 * energy);
}

}  // namespace sonde
