// Integrator: integrals over fractional stretches against the closed form,
// long after the ring has wrapped, for both kinds of sums.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <type_traits>

#include "dsp/integrator.h"

namespace {

// The sums' units per unit of the samples pushed.
template <typename F>
double unit_scale() {
    return std::is_same_v<typename F::Sum, int64_t> ? sonde::SixteenBitUnits::kFullScale : 1.0;
}

template <typename F>
class IntegratorKinds : public ::testing::Test {};
using Kinds = ::testing::Types<sonde::Integrator, sonde::IntegerSums>;
TYPED_TEST_SUITE(IntegratorKinds, Kinds);

TYPED_TEST(IntegratorKinds, FractionalStretchesOfARampMatchTheClosedForm) {
    auto owner = std::make_unique<TypeParam>();
    TypeParam& f = *owner;
    if constexpr (std::is_same_v<TypeParam, sonde::IntegerSums>) sonde::integrator_init(f, 1000.0);
    const double scale = unit_scale<TypeParam>();
    // Sample n holds n % 7 (in the sums' units): steps, so the integral over
    // [t0, t1) is the sum of whole samples plus the covered fractions of the
    // end samples.
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
    for (int64_t n = 0; n < 5000; n++) sonde::integrator_push(f, static_cast<float>(value(n) / scale));
    for (double t0 : {4000.25, 4989.0, 3980.9}) {
        for (double len : {0.3, 2.5, 5.0, 9.75}) {
            ASSERT_TRUE(sonde::integrator_covers(f, t0, t0 + len));
            EXPECT_NEAR(sonde::integrator_span(f, t0, t0 + len), exact(t0, t0 + len), 1e-9) << t0 << " " << len;
        }
    }
    // Too far back or not yet pushed.
    EXPECT_FALSE(sonde::integrator_covers(f, 5000.0 - sonde::kIntegratorSpan, 4990.0));
    EXPECT_FALSE(sonde::integrator_covers(f, 4990.0, 4999.5));
    // Before the stream nothing, after it everything.
    const double total = exact(0.0, 5000.0);
    EXPECT_EQ(sonde::integrator_at(f, -3.5), 0.0);
    EXPECT_NEAR(sonde::integrator_at(f, 5000.0), total, 1e-6);
    EXPECT_NEAR(sonde::integrator_at(f, 6000.5), total, 1e-6);
}

TEST(IntegerSums, CountWholeStepsInARingSizedForTheHistory) {
    sonde::IntegerSums f;
    sonde::integrator_init(f, 3000.0);
    EXPECT_EQ(f.ring.slot.size(), 4096u);
    // Full scale and a single step, alternating: whole units, summed exactly.
    const float step = 1.0f / 32768.0f;
    for (int n = 0; n < 4000; n++) sonde::integrator_push(f, n % 2 ? step : 1.0f);
    EXPECT_EQ(f.total, 2000 * 32768 + 2000);
    EXPECT_EQ(sonde::integrator_span(f, 3001.0, 3003.0), 32768.0 + 1.0);
    // Rounded to the nearest step, ties to even; beyond full scale limited.
    EXPECT_EQ(sonde::SixteenBitUnits::units(2.5f / 32768.0f), 2);
    EXPECT_EQ(sonde::SixteenBitUnits::units(3.5f / 32768.0f), 4);
    const float x[3] = {2.0f, -7.0f, -0.5f};
    int32_t u[3];
    sonde::SixteenBitUnits::units(x, 3, u);
    EXPECT_EQ(u[0], 32768);
    EXPECT_EQ(u[1], -32768);
    EXPECT_EQ(u[2], -16384);
}

}  // namespace
