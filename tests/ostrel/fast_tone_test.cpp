// The fast tone detector against the direct transforms, window by window:
// every decision must be the same, whatever the signal.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ostrel/bit_timing.h"
#include "ostrel/fast_tone.h"
#include "ostrel_synth.h"
#include "synth/signals.h"
#include "synth/wav_writer.h"
#include "ostrel/tone_detector.h"

using namespace sonde;
using namespace sonde::ostrel;

namespace {

struct Recording {
    std::string name;
    int rate = 48000;
    int bits = 16;
    std::vector<int> samples;  // signed, as read_signed_sample delivers them
};

std::vector<int> quantize(const std::vector<double>& x, int rate, int bits) {
    WavSpec wav_spec;
    wav_spec.sample_rate = rate;
    wav_spec.bits = bits;
    std::vector<int> q;
    q.reserve(x.size());
    for (double v : x) q.push_back(wav_quantize(wav_spec, v));
    return q;
}

// One GPS packet's transmission, cut to `seconds`, with noise when snr_db > 0.
Recording packet(const std::string& name, int rate, int bits, double snr_db, uint64_t seed, double seconds = 0.6) {
    OstrelGps g;
    g.lat = 48.1f;
    g.lon = 11.5f;
    g.alt_raw = 6000;
    g.hour = 12;
    const auto p = ostrel_gps_packet(g);
    OstrelRecordingSpec wav_spec;
    wav_spec.sample_rate = rate;
    std::vector<double> x =
        ostrel_recording(wav_spec, {ostrel_transmission(std::vector<uint8_t>(p.begin(), p.end()), 3)});
    x.resize(static_cast<std::size_t>(seconds * rate));
    if (snr_db > -100.0) add_noise(x, snr_db, seed);
    return {name, rate, bits, quantize(x, rate, bits)};
}

Recording tone_switches() {
    // Abrupt and phase-continuous changes at irregular times, a stretch of
    // both tones at once (the bins run close), and clipped tones.
    std::mt19937 gen(5);
    std::uniform_int_distribution<int> len(10, 300);
    std::vector<double> x;
    double ph1 = 0.0, ph2 = 0.0;
    const double w1 = 2.0 * M_PI * 1200.0 / 48000.0, w2 = 2.0 * M_PI * 2200.0 / 48000.0;
    for (int run = 0; run < 60; run++) {
        const int n = len(gen);
        for (int i = 0; i < n; i++, ph1 += w1, ph2 += w2)
            x.push_back(run % 2 ? 0.7 * std::sin(ph1) : 0.7 * std::sin(ph2));
    }
    for (int i = 0; i < 6000; i++, ph1 += w1, ph2 += w2) x.push_back(0.4 * std::sin(ph1) + 0.4 * std::sin(ph2 + 0.1));
    for (int i = 0; i < 3000; i++, ph1 += w1) x.push_back(std::sin(ph1) > 0 ? 1.0 : -1.0);
    return {"tone switches", 48000, 16, quantize(x, 48000, 16)};
}

Recording digital_silence() {
    // Zeros, a short tone, zeros again: windows wholly zero, partly zero and
    // holding a single non-zero sample.
    std::vector<int> s(3000, 0);
    for (int i = 0; i < 500; i++) s.push_back(static_cast<int>(std::lround(9000.0 * std::sin(i * 0.2879))));
    s.insert(s.end(), 3000, 0);
    s.push_back(1);
    s.insert(s.end(), 300, 0);
    s.push_back(-32768);
    s.insert(s.end(), 300, 0);
    return {"digital silence", 48000, 16, s};
}

Recording dither() {
    // The quietest signal there is: one step either side of zero.
    std::mt19937 gen(9);
    std::uniform_int_distribution<int> d(-1, 1);
    std::vector<int> s(8000);
    for (int& v : s) v = d(gen);
    return {"one-step dither", 48000, 16, s};
}

Recording full_scale() {
    // Every sample at the limits: the sums are as large as they get.
    std::mt19937 gen(13);
    std::uniform_int_distribution<int> d(0, 1);
    std::vector<int> s(8000);
    for (int& v : s) v = d(gen) ? 32767 : -32768;
    return {"full-scale noise", 48000, 16, s};
}

Recording noise_only(int bits, int rate = 48000) {
    std::vector<double> x(8000, 0.0);
    add_noise_sigma(x, 0.2, 17);
    return {"noise only " + std::to_string(bits) + " bit " + std::to_string(rate), rate, bits, quantize(x, rate, bits)};
}

Recording tone_noise_tone() {
    // Clean tone, noise alone, clean tone again: the spectrum tracks the
    // lowest 8 bins, then all bins, then the low ones again.
    std::vector<double> x;
    double ph = 0.0;
    const double w = 2.0 * M_PI * 1200.0 / 48000.0;
    for (int i = 0; i < 6000; i++, ph += w) x.push_back(0.5 * std::sin(ph));
    std::vector<double> noise(6000, 0.0);
    add_noise_sigma(noise, 0.3, 29);
    x.insert(x.end(), noise.begin(), noise.end());
    for (int i = 0; i < 6000; i++, ph += w) x.push_back(0.5 * std::sin(ph));
    return {"tone, noise, tone", 48000, 16, quantize(x, 48000, 16)};
}

const std::vector<Recording>& recordings() {
    static const std::vector<Recording> all = [] {
        std::vector<Recording> r;
        r.push_back(packet("clean 48000", 48000, 16, -1000.0, 0));
        r.push_back(packet("clean 44100", 44100, 16, -1000.0, 0));
        r.push_back(packet("snr 10 48000", 48000, 16, 10.0, 1));
        r.push_back(packet("snr 10 48000 other seed", 48000, 16, 10.0, 21));
        r.push_back(packet("snr 3 48000", 48000, 16, 3.0, 2));
        r.push_back(packet("snr 0 44100", 44100, 16, 0.0, 3));
        r.push_back(packet("snr 6 44100", 44100, 16, 6.0, 4));
        r.push_back(packet("snr 10 48000 8 bit", 48000, 8, 10.0, 5));
        r.push_back(packet("snr 6 22050", 22050, 16, 6.0, 6, 0.4));
        r.push_back(packet("snr 6 8000", 8000, 16, 6.0, 7, 0.4));
        r.push_back(tone_switches());
        r.push_back(tone_noise_tone());
        r.push_back(digital_silence());
        r.push_back(dither());
        r.push_back(full_scale());
        r.push_back(noise_only(16));
        r.push_back(noise_only(8));
        r.push_back(noise_only(16, 600000));  // both tones in bin 0
        return r;
    }();
    return all;
}

struct Tally {
    uint64_t windows = 0;
    uint64_t fallbacks = 0;
};

// The tone a block decision leaves, from the tone before it.
int tone_after(int8_t decision, int tone) { return decision == kToneKept ? tone : decision; }

// Runs both detectors over the recording, the fast one in blocks of the
// given sizes in turn; the first differing window fails.
Tally compare_every_window(const Recording& rec, int method, const std::vector<int>& sizes) {
    auto timing = std::make_unique<BitTiming>();
    auto ref = std::make_unique<ToneDetector>();
    auto det = std::make_unique<ToneDetector>();
    auto fast = std::make_unique<FastTone>();
    set_tone_bins(*ref, rec.rate);
    init_dft(*ref);
    set_tone_bins(*det, rec.rate);
    init_dft(*det);
    fast_tone_init(*fast, *det, static_cast<ToneMethod>(method));
    bit_timing_init(*timing, rec.rate, rec.bits);
    std::vector<double> scaled(rec.samples.size());
    for (std::size_t i = 0; i < scaled.size(); i++)
        scaled[i] = static_cast<double>(rec.samples[i]) * timing->sample_step;
    std::vector<int8_t> decision(kToneBlock);
    int ref_tone = kToneUndecided;
    int fast_tone = kToneUndecided;
    std::size_t at = 0;
    for (std::size_t b = 0; at < rec.samples.size(); b++) {
        const int n = static_cast<int>(std::min<std::size_t>(sizes[b % sizes.size()], rec.samples.size() - at));
        fast_tone_block(*fast, *det, scaled.data() + at, n, decision.data());
        for (int i = 0; i < n; i++, at++) {
            // The window of the 128 samples up to this one.
            const bool full = at >= kDftSize;
            EXPECT_EQ(full, decision[i] != kToneNotFull) << "sample " << at;
            if (!full) continue;
            window_span(*ref, scaled.data() + at + 1 - kDftSize);
            tone_decision(*ref, static_cast<ToneMethod>(method), ref_tone);
            fast_tone = tone_after(decision[i], fast_tone);
            if (fast_tone != ref_tone) {
                ADD_FAILURE() << rec.name << ", method " << method << ": sample " << at << " fast " << fast_tone
                              << " direct " << ref_tone;
                return {fast->decisions, fast->fallbacks};
            }
        }
    }
    return {fast->decisions, fast->fallbacks};
}

class EveryWindow : public ::testing::TestWithParam<int> {};

TEST_P(EveryWindow, FastDecisionEqualsTheDirectTransform) {
    const int method = GetParam();
    uint64_t windows = 0, fallbacks = 0;
    for (const Recording& rec : recordings()) {
        const Tally t = compare_every_window(rec, method, {kToneBlock});
        EXPECT_EQ(t.windows, rec.samples.size() - kDftSize) << rec.name;
        std::printf("  method %d, %-26s %7llu windows, %5llu through the direct transform\n", method, rec.name.c_str(),
                    static_cast<unsigned long long>(t.windows), static_cast<unsigned long long>(t.fallbacks));
        windows += t.windows;
        fallbacks += t.fallbacks;
    }
    // Close calls do occur and go the direct way; they stay rare.
    EXPECT_GT(fallbacks, 0u);
    EXPECT_LT(fallbacks * 20, windows);
}

INSTANTIATE_TEST_SUITE_P(Methods, EveryWindow, ::testing::Values(0, 1, 2));

// Blocks of every size from one sample to the largest, none aligned with
// the two-bin method's segments: each window's decision is still the
// direct transform's (the estimates depend on the samples alone).
TEST_P(EveryWindow, DecidesAlikeInBlocksOfAnySize) {
    const int method = GetParam();
    for (const Recording& rec : recordings()) {
        if (rec.samples.size() > 40000) continue;
        const Tally t = compare_every_window(rec, method, {1, 7, 128, 129, 1000, 2049, kToneBlock});
        EXPECT_EQ(t.windows, rec.samples.size() - kDftSize) << rec.name;
    }
}

TEST(SlidingSpectrum, TracksAllBinsOnlyWhileTheEnergyBoundFallsShort) {
    const Recording rec = tone_noise_tone();
    auto timing = std::make_unique<BitTiming>();
    auto det = std::make_unique<ToneDetector>();
    auto fast = std::make_unique<FastTone>();
    set_tone_bins(*det, rec.rate);
    init_dft(*det);
    fast_tone_init(*fast, *det, ToneMethod::fft);
    bit_timing_init(*timing, rec.rate, rec.bits);
    EXPECT_EQ(fast->spectrum.lanes, kFewBins);
    int lanes_at[3] = {};
    for (std::size_t i = 0; i < rec.samples.size(); i++) {
        const double x = static_cast<double>(rec.samples[i]) * timing->sample_step;
        int8_t decision;
        fast_tone_block(*fast, *det, &x, 1, &decision);
        if (i == 5999 || i == 11999 || i + 1 == rec.samples.size()) lanes_at[i / 6000] = fast->spectrum.lanes;
    }
    EXPECT_EQ(lanes_at[0], kFewBins);
    EXPECT_EQ(lanes_at[1], kSpectrumLanes);
    EXPECT_EQ(lanes_at[2], kFewBins);  // back down the ladder, 16 bins on the way
}

TEST(SlidingSpectrum, TracksAllBinsWhereTheToneWindowsReachPastTheLowBins) {
    for (int rate : {8000, 11025}) {
        auto det = std::make_unique<ToneDetector>();
        auto fast = std::make_unique<FastTone>();
        set_tone_bins(*det, rate);
        init_dft(*det);
        fast_tone_init(*fast, *det, ToneMethod::dft);
        EXPECT_EQ(fast->spectrum.lanes, kSpectrumLanes) << rate;
    }
}

std::unique_ptr<ToneDetector> detector(int rate) {
    auto d = std::make_unique<ToneDetector>();
    set_tone_bins(*d, rate);
    init_dft(*d);
    return d;
}

// The fast detector's error argument leans on the reference tables lying
// close to the true values.
TEST(ErrorArgument, TwiddlesWithinOneInATrillionOfTheTrueRoots) {
    auto d = detector(48000);
    long double worst = 0.0L;
    for (int k = 0; k < kDftSize; k++)
        for (int n = 0; n < kDftSize; n++) {
            const long double a = -2.0L * 3.141592653589793238462643383279L * ((k * n) % kDftSize) / kDftSize;
            const cplx e = d->ew[k * n];
            worst = std::max(worst, std::hypot(e.real() - std::cos(a), e.imag() - std::sin(a)));
        }
    std::printf("  largest twiddle error: %.3Lg\n", worst);
    EXPECT_LT(worst, 1.0e-12L);
}

TEST(ErrorArgument, WindowWithinOneUlpOrSoOfTheTrueHann) {
    auto d = detector(48000);
    for (int n = 0; n < kHannLength; n++) {
        const long double h = 0.5L - 0.5L * std::cos(2.0L * 3.141592653589793238462643383279L * n / 79.0L);
        EXPECT_LT(std::fabs(d->Hann[n] - h), 1.0e-15L) << n;
    }
}

// The direct transforms themselves stay within 1e-10 A of the exact
// windowed bins (A the sum of |x| over the window), with room to spare.
TEST(ErrorArgument, DirectTransformsWithinTheAssumedDistanceOfTheExactBins) {
    auto d = detector(48000);
    std::mt19937 gen(23);
    std::uniform_int_distribution<int> pick(0, 2);
    const int levels[3] = {-32768, 0, 32767};
    double window[kDftSize];
    long double worst = 0.0L;
    for (int trial = 0; trial < 20; trial++) {
        for (double& v : window) v = levels[pick(gen)] / 65536.0;
        window_span(*d, window);
        long double abs_sum = 0.0L;
        for (int n = 0; n < kHannLength; n++) abs_sum += std::fabs(window[n]);
        long double exact[kSearchedBins];
        for (int k = 0; k < kSearchedBins; k++) {
            long double re = 0.0L, im = 0.0L;
            for (int n = 0; n < kHannLength; n++) {
                const long double a = -2.0L * 3.141592653589793238462643383279L * k * n / kDftSize;
                const long double h = 0.5L - 0.5L * std::cos(2.0L * 3.141592653589793238462643383279L * n / 79.0L);
                const long double x = window[n];
                re += h * x * std::cos(a);
                im += h * x * std::sin(a);
            }
            exact[k] = std::hypot(re, im);
            worst = std::max(worst, std::fabs(dft_k(*d, k) - exact[k]) / abs_sum);
        }
        auto spectrum_distance = [&] {
            for (int k = 0; k < kSearchedBins; k++)
                worst = std::max(worst, std::fabs(std::abs(d->Z[k]) - exact[k]) / abs_sum);
        };
        dft(*d);
        spectrum_distance();
        dft2(*d);
        spectrum_distance();
    }
    std::printf("  largest distance from the exact bins: %.3Lg A\n", worst);
    EXPECT_LT(worst, 1.0e-11L);
}

}  // namespace
