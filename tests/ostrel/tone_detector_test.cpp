#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

#include "ostrel/portable_math.h"
#include "ostrel/tone_detector.h"

using namespace sonde;
using namespace sonde::ostrel;

namespace {

std::unique_ptr<ToneDetector> detector(int rate) {
    auto d = std::make_unique<ToneDetector>();
    set_tone_bins(*d, rate);
    init_dft(*d);
    return d;
}

// A window of 128 samples of a tone, scaled as the program scales 16-bit data.
void tone_window(double* window, double freq, int rate, double phase = 0.3) {
    for (int n = 0; n < kDftSize; n++)
        window[n] = std::round(12000.0 * std::sin(phase + 2.0 * M_PI * freq * n / rate)) / 65536.0;
}

int decide(ToneDetector& d, const double* window, int method, int start) {
    int tone = start;
    window_span(d, window);
    tone_decision(d, static_cast<ToneMethod>(method), tone);
    return tone;
}

}  // namespace

TEST(HannWindow, EightySamplesLongWithPeakInTheMiddle) {
    auto d = detector(48000);
    EXPECT_EQ(d->Hann[0], 0.0);
    EXPECT_EQ(d->Hann[79], 0.0);
    for (int n = 80; n < kDftSize; n++) EXPECT_EQ(d->Hann[n], 0.0) << n;
    EXPECT_NEAR(d->Hann[39], d->Hann[40], 1e-15);
    EXPECT_NEAR(d->Hann[39], 0.99960, 1e-5);
    for (int n = 0; n < 80; n++) {
        EXPECT_LE(d->Hann[n], d->Hann[39]) << n;
        EXPECT_NEAR(d->Hann[n], d->Hann[79 - n], 1e-15) << n;
    }
}

struct BinCase {
    int rate;
    double bin_2200, bin_1200, tolerance;
    int idx_2200, idx_1200;
    int zero_lo, zero_hi, one_lo, one_hi;
};

class BinSettings : public ::testing::TestWithParam<BinCase> {};

TEST_P(BinSettings, MatchTheTableAndAcceptTheListedPeakBins) {
    const BinCase c = GetParam();
    auto d = std::make_unique<ToneDetector>();
    set_tone_bins(*d, c.rate);
    EXPECT_NEAR(d->bin_2200, c.bin_2200, 1e-3);
    EXPECT_NEAR(d->bin_1200, c.bin_1200, 1e-3);
    EXPECT_NEAR(d->bin_tolerance, c.tolerance, 1e-3);
    EXPECT_EQ(d->idx_2200, c.idx_2200);
    EXPECT_EQ(d->idx_1200, c.idx_1200);
    for (int k = 0; k < kSearchedBins; k++) {
        const int want = (k >= c.zero_lo && k <= c.zero_hi) ? 0 : (k >= c.one_lo && k <= c.one_hi) ? 1 : kToneUndecided;
        EXPECT_EQ(tone_from_peak(*d, k, kToneUndecided), want) << "bin " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, BinSettings,
                         ::testing::Values(BinCase{8000, 35.2, 19.2, 6.4, 35, 19, 29, 41, 13, 25},
                                           BinCase{22050, 12.771, 6.966, 2.322, 13, 7, 11, 15, 5, 9},
                                           BinCase{44100, 6.385, 3.483, 1.161, 6, 3, 6, 7, 3, 4},
                                           BinCase{48000, 5.867, 3.2, 1.067, 6, 3, 5, 6, 3, 4}));

TEST(BinSettings, TwoBinMethodRefusedWhereItWouldReadPastItsTable) {
    auto d = std::make_unique<ToneDetector>();
    EXPECT_TRUE(set_tone_bins(*d, 2175));
    EXPECT_EQ(d->idx_2200, 129);
    EXPECT_FALSE(set_tone_bins(*d, 2174));
    EXPECT_FALSE(tone_method_fits(*d, ToneMethod::two_bins));
    EXPECT_TRUE(tone_method_fits(*d, ToneMethod::dft));
    EXPECT_TRUE(tone_method_fits(*d, ToneMethod::fft));
    EXPECT_FALSE(set_tone_bins(*d, 1));
}

class SteadyTone : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(SteadyTone, TwentyTwoHundredIsZeroTwelveHundredIsOne) {
    const auto [rate, method] = GetParam();
    auto d = detector(rate);
    double window[kDftSize];
    for (double phase : {0.0, 0.3, 1.7}) {
        tone_window(window, 2200.0, rate, phase);
        EXPECT_EQ(decide(*d, window, method, kToneUndecided), 0);
        EXPECT_EQ(decide(*d, window, method, 1), 0);
        tone_window(window, 1200.0, rate, phase);
        EXPECT_EQ(decide(*d, window, method, kToneUndecided), 1);
        EXPECT_EQ(decide(*d, window, method, 0), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(RatesAndMethods, SteadyTone,
                         ::testing::Combine(::testing::Values(48000, 44100), ::testing::Values(0, 1, 2)));

TEST(Silence, TwoBinMethodSaysOneOthersKeepTheirDecision) {
    auto d = detector(48000);
    double window[kDftSize] = {};
    EXPECT_EQ(decide(*d, window, 0, kToneUndecided), 1);
    EXPECT_EQ(decide(*d, window, 0, 0), 1);
    for (int method : {1, 2}) {
        EXPECT_EQ(decide(*d, window, method, kToneUndecided), kToneUndecided);
        EXPECT_EQ(decide(*d, window, method, 0), 0);
        EXPECT_EQ(decide(*d, window, method, 1), 1);
    }
}

TEST(MaxBin, LowestOfEqualMaximaWins) {
    auto d = detector(48000);
    for (auto& z : d->Z) z = cplx(0.0, 0.0);
    d->Z[9] = cplx(3.0, 4.0);
    d->Z[5] = cplx(-4.0, 3.0);
    d->Z[2] = cplx(1.0, 1.0);
    EXPECT_EQ(max_bin(*d), 5);
}

TEST(MaxBin, BinSixtyThreeAndUpperHalfNeverReported) {
    auto d = detector(48000);
    for (auto& z : d->Z) z = cplx(0.0, 0.0);
    d->Z[63] = cplx(100.0, 0.0);
    d->Z[100] = cplx(200.0, 0.0);
    d->Z[10] = cplx(0.5, 0.0);
    EXPECT_EQ(max_bin(*d), 10);
    d->Z[62] = cplx(0.0, 1.0);
    EXPECT_EQ(max_bin(*d), 62);
}

TEST(MaxBin, AllZeroGivesBinZero) {
    auto d = detector(48000);
    for (auto& z : d->Z) z = cplx(0.0, 0.0);
    EXPECT_EQ(max_bin(*d), 0);
}

// The single-bin sums stop where the window is zero; they must equal the
// full 128-term sums exactly.
TEST(SingleBin, EqualsTheFullSumExactly) {
    auto d = detector(48000);
    std::mt19937 gen(7);
    std::uniform_int_distribution<int> sample(-32768, 32767);
    double window[kDftSize];
    for (int trial = 0; trial < 20; trial++) {
        for (double& x : window) x = sample(gen) / 65536.0;
        window_span(*d, window);
        for (int k = 0; k <= kMaxSingleBin; k++) {
            double re = 0.0, im = 0.0;
            for (int n = 0; n < kDftSize; n++) {
                re += d->xn[n] * d->ew[k * n].real();
                im += d->xn[n] * d->ew[k * n].imag();
            }
            EXPECT_EQ(dft_k(*d, k), magnitude(re, im)) << "bin " << k;
        }
    }
}

TEST(Transforms, DirectDftAndFftAgree) {
    auto d = detector(48000);
    std::mt19937 gen(11);
    std::uniform_real_distribution<double> x(-0.5, 0.5);
    double window[kDftSize];
    for (double& v : window) v = x(gen);
    window_span(*d, window);
    dft(*d);
    cplx direct[kDirectBins];
    for (int k = 0; k < kDirectBins; k++) direct[k] = d->Z[k];
    dft2(*d);
    for (int k = 0; k < kDirectBins; k++) {
        EXPECT_NEAR(d->Z[k].real(), direct[k].real(), 1e-9) << k;
        EXPECT_NEAR(d->Z[k].imag(), direct[k].imag(), 1e-9) << k;
        EXPECT_EQ(dft_k(*d, k), magnitude(direct[k].real(), direct[k].imag())) << k;
    }
    // Real input: the upper half mirrors the lower.
    for (int k = 1; k < kDirectBins; k++) EXPECT_NEAR(std::abs(d->Z[kDftSize - k]), std::abs(d->Z[k]), 1e-9);
}

TEST(Windowing, OldestSampleFirst) {
    auto d = detector(48000);
    double window[kDftSize];
    for (int n = 0; n < kDftSize; n++) window[n] = n;
    window_span(*d, window);
    EXPECT_EQ(d->xn[1], d->Hann[1] * 1.0);
    EXPECT_EQ(d->xn[40], d->Hann[40] * 40.0);
    EXPECT_EQ(d->xn[117], 0.0);
}
