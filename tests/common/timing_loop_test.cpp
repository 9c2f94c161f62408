// Timing loop with the Gardner detector on an exactly integrated two-level
// signal: the loop locks from an offset, learns a rate error and ends with
// the boundary on the true one. The detector's gain is checked on its own.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "dsp/integrator.h"
#include "dsp/timing_loop.h"

namespace {

// Levels +-1 per bit, bit k on [phase + k T, phase + (k + 1) T); each sample
// is the mean level over its interval, so integrals are exact.
std::vector<float> two_level(const std::vector<int>& bits, double phase, double t, int samples) {
    std::vector<float> x(static_cast<std::size_t>(samples));
    for (int n = 0; n < samples; n++) {
        double s = 0.0;
        for (int q = 0; q < 16; q++) {
            const double u = n + (q + 0.5) / 16.0;
            const long k = static_cast<long>(std::floor((u - phase) / t));
            const int b = k < 0 ? 1 : bits[static_cast<std::size_t>(k) % bits.size()];
            s += b ? 1.0 : -1.0;
        }
        x[static_cast<std::size_t>(n)] = static_cast<float>(s / 16.0);
    }
    return x;
}

}  // namespace

TEST(GardnerLate, MeasuresLatenessAtATransition) {
    // +1 then -1, boundary at 10, symbol 4 samples; estimate 10.6 (late 0.6):
    // the centred window sees 1.4 samples of +1 and 2.6 of -1.
    EXPECT_NEAR(sonde::gardner_late(4.0, 1.4 - 2.6, -4.0, 16.0, 4.0), 0.6, 1e-12);
    EXPECT_NEAR(sonde::gardner_late(-4.0, -(1.4 - 2.6), 4.0, 16.0, 4.0), 0.6, 1e-12);  // -1 then +1
    EXPECT_EQ(sonde::gardner_late(4.0, 4.0, 4.0, 16.0, 4.0), 0.0);                     // no transition, no information
}

TEST(TimingLoop, LocksToOffsetAndRateError) {
    const double t_true = 5.0 * 1.002;  // transmitter 0.2 % slow
    const double phase = 1.7;
    std::vector<int> bits;
    unsigned s = 99;
    for (int i = 0; i < 4000; i++) {
        s = s * 1103515245u + 12345u;
        bits.push_back((s >> 16) & 1);
    }
    const int samples = 20000;
    const std::vector<float> x = two_level(bits, phase, t_true, samples);
    auto owner = std::make_unique<sonde::Integrator>();
    sonde::Integrator& f = *owner;
    sonde::TimingLoop l = sonde::timing_loop_make(5.0, 0.02, 0.707);
    l.next = 5.0;
    int fed = 0;
    int boundaries = 0;
    while (boundaries < 3500) {
        const double b = l.next;
        while (sonde::integrator_end(f) < b + l.period + 1.0) {
            ASSERT_LT(fed, samples);
            sonde::integrator_push(f, x[static_cast<std::size_t>(fed++)]);
        }
        const double before = sonde::integrator_span(f, b - l.period, b);
        const double mid = sonde::integrator_span(f, b - l.period / 2, b + l.period / 2);
        const double after = sonde::integrator_span(f, b, b + l.period);
        sonde::timing_loop_advance(l, sonde::gardner_late(before, mid, after, l.period * l.period, l.period));
        if (boundaries++ == 1500) l.kp *= 0.25, l.ki *= 0.0625;  // narrow for tracking
    }
    // Distance from the next estimate to the nearest true boundary.
    const double k = std::round((l.next - phase) / t_true);
    EXPECT_NEAR(l.next, phase + k * t_true, 0.05);
    EXPECT_NEAR(l.period, t_true, 0.002);
}
