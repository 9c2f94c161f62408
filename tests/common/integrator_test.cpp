// Integrator: integrals over fractional stretches against the closed form,
// long after the ring has wrapped.
#include <gtest/gtest.h>

#include "dsp/integrator.h"

using sonde::Integrator;

TEST(Integrator, FractionalStretchesOfARampMatchTheClosedForm) {
    auto owner = std::make_unique<Integrator>();
    Integrator& f = *owner;
    // Sample n holds n % 7: steps, so the integral over [t0, t1) is the sum
    // of whole samples plus the covered fractions of the end samples.
    auto value = [](int64_t n) { return static_cast<double>(n % 7); };
    auto exact = [&](double t0, double t1) {
        double s = 0.0;
        for (int64_t n = static_cast<int64_t>(t0) - 1; n <= static_cast<int64_t>(t1) + 1; n++) {
            const double lo = std::max(t0, static_cast<double>(n));
            const double hi = std::min(t1, static_cast<double>(n + 1));
            if (hi > lo) s += (hi - lo) * value(n);
        }
        return s;
    };
    for (int64_t n = 0; n < 5000; n++) sonde::integrator_push(f, static_cast<float>(value(n)));
    for (double t0 : {4000.25, 4989.0, 3980.9}) {
        for (double len : {0.3, 2.5, 5.0, 9.75}) {
            ASSERT_TRUE(sonde::integrator_covers(f, t0, t0 + len));
            EXPECT_NEAR(sonde::integrator_span(f, t0, t0 + len), exact(t0, t0 + len), 1e-9) << t0 << " " << len;
        }
    }
    // Too far back or not yet pushed.
    EXPECT_FALSE(sonde::integrator_covers(f, 5000.0 - sonde::kIntegratorSpan, 4990.0));
    EXPECT_FALSE(sonde::integrator_covers(f, 4990.0, 4999.5));
}
