// Integrator: integrals over fractional stretches against the closed form,
// long after the ring has wrapped, for both kinds of sums.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <type_traits>
#include <vector>

#include "dsp/integrator.h"

namespace {

template <typename F>
class IntegratorKinds : public ::testing::Test {};
using Kinds = ::testing::Types<sonde::Integrator, sonde::IntegerSums>;
TYPED_TEST_SUITE(IntegratorKinds, Kinds);

TYPED_TEST(IntegratorKinds, FractionalStretchesOfARampMatchTheClosedForm) {
    auto owner = std::make_unique<TypeParam>();
    TypeParam& f = *owner;
    if constexpr (std::is_same_v<TypeParam, sonde::IntegerSums>) sonde::integrator_init(f, 1000.0);
    // In the sums' units: integer sums count 16-bit steps.
    const double scale = std::is_integral_v<decltype(f.total)> ? sonde::SixteenBitUnits::kFullScale : 1.0;
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
            EXPECT_NEAR(sonde::integrator_span(f, t0, t0 + len), exact(t0, t0 + len), 1e-9) << t0 << " " << len;
        }
    }
    // Before the stream nothing, after it everything.
    const double total = exact(0.0, 5000.0);
    EXPECT_EQ(sonde::integrator_at(f, -3.5), 0.0);
    EXPECT_NEAR(sonde::integrator_at(f, 5000.0), total, 1e-6);
    EXPECT_NEAR(sonde::integrator_at(f, 6000.5), total, 1e-6);
}

TEST(IntegerSums, RoundToStepsInARingSizedForTheHistory) {
    sonde::IntegerSums f;
    sonde::integrator_init(f, 3000.0);
    EXPECT_EQ(f.ring.size(), 4096u);
    // Ties to even; beyond full scale limited.
    const float x[5] = {2.5f / 32768.0f, 3.5f / 32768.0f, 2.0f, -7.0f, -0.5f};
    int32_t u[5];
    sonde::SixteenBitUnits::units(x, 5, u);
    EXPECT_EQ(std::vector<int32_t>(u, u + 5), (std::vector<int32_t>{2, 4, 32768, -32768, -16384}));
}

}  // namespace
