// The detector's tables hold the x86-64 reference build's bits. On x86-64
// these tests derive every table again through the C library, as the
// detector once computed them, and compare bit for bit; where they differ
// they print the constants to paste (they are the tables' generator).
// Elsewhere the C library may round differently: the derivations only
// report how often. The routines' own answers are checked everywhere
// against values known independently (a 300-bit evaluation).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <memory>
#include <vector>

#include "ostrel/portable_math.h"
#include "ostrel/sliding_bins.h"
#include "ostrel/tone_detector.h"
#include "ostrel/tone_tables.h"

using namespace sonde::ostrel;

namespace {

// The reference build ran glibc's FMA variants, which glibc picks on x86-64
// processors with FMA and AVX2; its plain variants round some angles the
// other way, so on other processors the derivations only report.
bool reference_platform() {
#if defined(__x86_64__) && defined(__GLIBC__)
    return __builtin_cpu_supports("fma") && __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}
const bool kReferencePlatform = reference_platform();

// The C library's values, as the detector once took them: e^{ix} for the
// transform's twiddles, sin and cos for the sliding sums'.
void libm_cexp(double x, double& s, double& c) {
    const std::complex<double> v = std::exp(std::complex<double>(-0.0, x));
    s = v.imag();
    c = v.real();
}

void libm_sincos(double x, double& s, double& c) {
    s = std::sin(x);
    c = std::cos(x);
}

// Angles where sincos_reference differs from the C library, as table lines.
std::vector<ReferenceSinCos>& differing() {
    static std::vector<ReferenceSinCos> found;
    return found;
}

template <SinCos Libm>
void libm_checked(double x, double& s, double& c) {
    Libm(x, s, c);
    double rs, rc;
    sincos_reference(x, rs, rc);
    if (rs != s || rc != c) differing().push_back({x, s, c});
}

// Builds every table of the detector through the C library.
void derive_every_table() {
    auto d = std::make_unique<ToneDetector>();
    set_tone_bins(*d, 48000);
    init_dft(*d, libm_checked<libm_cexp>);
    auto two = std::make_unique<SlidingTwoBins>();
    for (int k = 0; k <= kMaxSingleBin; k += 2) two_bins_init(*two, k, k + 1, libm_checked<libm_sincos>);
    auto spectrum = std::make_unique<SlidingSpectrum>();
    spectrum_init(*spectrum, *d, libm_checked<libm_sincos>);
}

}  // namespace

TEST(ToneTables, HannWindowHasTheReferenceBits) {
    constexpr double kTwoPi = 6.283185307179586;
    auto d = std::make_unique<ToneDetector>();
    init_dft(*d);
    int differ = 0;
    for (int n = 0; n < kDftSize; n++) {
        const double h = n < kHannLength ? (1.0 - std::cos((n * kTwoPi) / 79.0)) * 0.5 : 0.0;
        if (h != d->Hann[n]) {
            differ++;
            std::printf("  Hann[%d]: detector %a, C library %a\n", n, d->Hann[n], h);
        }
    }
    if (!kReferencePlatform) GTEST_SKIP() << "C library differs from the reference at " << differ << " of 80";
    EXPECT_EQ(differ, 0);
}

TEST(ToneTables, EveryTwiddleAngleHasTheReferenceBits) {
    differing().clear();
    derive_every_table();
    std::vector<ReferenceSinCos>& found = differing();
    std::sort(found.begin(), found.end(), [](const ReferenceSinCos& a, const ReferenceSinCos& b) { return a.x < b.x; });
    found.erase(std::unique(found.begin(), found.end(),
                            [](const ReferenceSinCos& a, const ReferenceSinCos& b) { return a.x == b.x; }),
                found.end());
    if (!kReferencePlatform) GTEST_SKIP() << "C library differs from the reference at " << found.size() << " angles";
    for (const ReferenceSinCos& e : found) std::printf("    {%a, %a, %a},\n", e.x, e.sin_x, e.cos_x);
    EXPECT_TRUE(found.empty()) << "add the lines above to kReferenceSinCos";
}

// Reference tables' exceptions are the C library's roundings, not the
// nearest; the nearest values lie on the other side.
TEST(ToneTables, ExceptionsAreWhereTheReferenceIsNotTheNearest) {
    for (int i = 0; i < kReferenceExceptions; i++) {
        const ReferenceSinCos& e = kReferenceSinCos[i];
        double s, c;
        sincos_nearest(e.x, s, c);
        EXPECT_TRUE(s != e.sin_x || c != e.cos_x) << i;
        EXPECT_LE(std::fabs(s - e.sin_x), std::fabs(s) * 0x1p-52) << i;
        EXPECT_LE(std::fabs(c - e.cos_x), std::fabs(c) * 0x1p-52) << i;
        if (i > 0) {
            EXPECT_LT(kReferenceSinCos[i - 1].x, e.x) << i;
        }
    }
}

struct TrigCase {
    double x, sin_x, cos_x;
};

class NearestSinCos : public ::testing::TestWithParam<TrigCase> {};

TEST_P(NearestSinCos, IsTheNearestDouble) {
    const TrigCase t = GetParam();
    double s, c;
    sincos_nearest(t.x, s, c);
    EXPECT_EQ(s, t.sin_x) << std::hexfloat << t.x << ": " << s;
    EXPECT_EQ(c, t.cos_x) << std::hexfloat << t.x << ": " << c;
    EXPECT_EQ(std::signbit(s), std::signbit(t.sin_x));
}

// Nearest values from a 300-bit evaluation; the first three are angles of
// the transform's twiddles where the x86-64 C library rounds the other way
// (the true values lie within 0.013, 0.0018 and 0.0016 ulp of a midpoint).
INSTANTIATE_TEST_SUITE_P(KnownValues, NearestSinCos,
                         ::testing::Values(TrigCase{-0x1.b9c955e53e68bp+5, 0x1.f0a7efb9230d6p-1, 0x1.f19f97b215f2fp-3},
                                           TrigCase{-0x1.dba82199ce496p+7, 0x1.9b3e047f38803p-1, 0x1.30ff7fce16f2ep-1},
                                           TrigCase{-0x1.4fc1f999beca6p+9, 0x1.6a09e667f3eafp-1, 0x1.6a09e667f38ebp-1},
                                           TrigCase{0.0, 0.0, 1.0}, TrigCase{-0.0, -0.0, 1.0},
                                           TrigCase{0x1p-30, 0x1p-30, 1.0},
                                           TrigCase{0x1.921fb54442d18p+1, 0x1.1a62633145c07p-53, -1.0},
                                           TrigCase{0x1.0c152382d7365p-1, 0x1.fffffffffffffp-2, 0x1.bb67ae8584cabp-1},
                                           TrigCase{1000.0, 0x1.a75cc150a206bp-1, 0x1.1ff026793f1bbp-1}));

struct MagnitudeCase {
    double re, im, expected;
};

class Magnitude : public ::testing::TestWithParam<MagnitudeCase> {};

TEST_P(Magnitude, RoundsAsTheReferenceHypot) {
    const MagnitudeCase m = GetParam();
    EXPECT_EQ(magnitude(m.re, m.im), m.expected) << std::hexfloat << m.re << ", " << m.im;
    EXPECT_EQ(magnitude(m.im, -m.re), m.expected);
}

INSTANTIATE_TEST_SUITE_P(KnownValues, Magnitude,
                         ::testing::Values(MagnitudeCase{3.0, 4.0, 5.0}, MagnitudeCase{0.0, -0.0, 0.0},
                                           MagnitudeCase{-2.5, 0.0, 2.5}, MagnitudeCase{1.0, 0x1p-60, 1.0},
                                           MagnitudeCase{0x1p600, 0x1p600, 0x1.6a09e667f3bcdp+600},
                                           MagnitudeCase{0x1p-600, 0x1p-600, 0x1.6a09e667f3bcdp-600},
                                           MagnitudeCase{INFINITY, NAN, INFINITY}));

// Random values spanning the scaled and unscaled cases agree with the
// reference's hypot bit for bit.
TEST(Magnitude, AgreesWithTheReferenceHypotOnRandomValues) {
    uint64_t state = 12345;
    auto next = [&state] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state >> 11) * 0x1p-53 * 2.0 - 1.0;
    };
    int differ = 0;
    const int scales[] = {0, -20, 20, -560, 560};
    for (int i = 0; i < 200000; i++) {
        const int e = scales[i % 5];
        const double re = std::ldexp(next() * 50.0, e);
        const double im = std::ldexp(next() * 50.0, e + (i % 7) - 3);
        if (magnitude(re, im) != std::hypot(re, im)) differ++;
    }
    if (!kReferencePlatform)
        GTEST_SKIP() << "C library's hypot differs from the reference on " << differ << " of 200000";
    EXPECT_EQ(differ, 0);
}
