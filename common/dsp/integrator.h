// Integrate-and-dump at any fractional timing, O(1) per sample and per
// integral. The filter keeps a ring of running sums; the integral over
// [t0, t1) of the samples held as steps (sample n covers [n, n + 1)) is the
// difference of the running sum interpolated linearly at both ends. A symbol
// matched filter is then one or two such integrals: the whole symbol for NRZ,
// first half minus second half for biphase, products with a tone for AFSK
// (push the products).
#pragma once

#include <cstdint>

namespace sonde {

// Samples of history kept: integrals may reach this far back.
constexpr int kIntegratorSpan = 1024;

struct Integrator {
    double run[kIntegratorSpan] = {};  // run[(n - 1) % span]: sum of samples 0 .. n - 1
    double total = 0.0;
    int64_t count = 0;  // samples pushed
};

inline void integrator_push(Integrator& f, float x) {
    f.total += static_cast<double>(x);
    f.run[f.count & (kIntegratorSpan - 1)] = f.total;
    f.count++;
}

// Sum of samples 0 .. i - 1, for count - span < i <= count.
inline double integrator_sum_to(const Integrator& f, int64_t i) {
    return i <= 0 ? 0.0 : f.run[(i - 1) & (kIntegratorSpan - 1)];
}

// True when the stretch [t0, t1) can be integrated now.
inline bool integrator_covers(const Integrator& f, double t0, double t1) {
    return t0 >= static_cast<double>(f.count - kIntegratorSpan + 2) && t1 + 1.0 <= static_cast<double>(f.count);
}

// Running sum at fractional time t (whole samples before t, plus the part of
// the sample that t lies in). Needs integrator_covers for t.
inline double integrator_at(const Integrator& f, double t) {
    int64_t i = static_cast<int64_t>(t);  // truncates; floor for negative t below
    if (static_cast<double>(i) > t) i--;
    const double a = integrator_sum_to(f, i);
    const double b = integrator_sum_to(f, i + 1);
    return a + (t - static_cast<double>(i)) * (b - a);
}

// Integral of the input over [t0, t1), in sample units.
inline double integrator_span(const Integrator& f, double t0, double t1) {
    return integrator_at(f, t1) - integrator_at(f, t0);
}

}  // namespace sonde
