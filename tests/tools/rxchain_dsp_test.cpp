// The receiver chain's pieces against answers known without it: Gaussian
// statistics, a filter's noise bandwidth measured on noise, FM of constant
// and ramped frequencies, the stated delay, the high-pass and de-emphasis
// corners.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "fir_design.h"
#include "normal_source.h"
#include "rx_chain.h"

using namespace rxchain;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Magnitude response of h at f_hz.
double response_at(const std::vector<double>& h, double f_hz, double fs) {
    double re = 0.0, im = 0.0;
    for (std::size_t k = 0; k < h.size(); k++) {
        const double a = 2.0 * kPi * f_hz / fs * static_cast<double>(k);
        re += h[k] * std::cos(a);
        im -= h[k] * std::sin(a);
    }
    return std::hypot(re, im);
}

std::vector<float> run_chain(const ChainConfig& cfg, const std::vector<float>& in, int* delay = nullptr) {
    auto c = std::make_unique<RxChain>();
    EXPECT_TRUE(chain_init(*c, cfg));
    std::vector<float> out(in.size());
    // Uneven pieces: block edges must not show.
    std::size_t pos = 0, step = 1;
    while (pos < in.size()) {
        const std::size_t n = std::min(step, in.size() - pos);
        chain_process(*c, in.data() + pos, out.data() + pos, n);
        pos += n;
        step = step * 3 + 7;
    }
    if (delay) *delay = c->delay;
    return out;
}

double mean_of(const std::vector<float>& v, std::size_t from, std::size_t to) {
    double s = 0;
    for (std::size_t i = from; i < to; i++) s += v[i];
    return s / static_cast<double>(to - from);
}

}  // namespace

TEST(NormalSource, MomentsAndTailsOfAStandardNormal) {
    NormalSource g = normal_seeded(3);
    const int n = 2000000;
    double s = 0, s2 = 0, s4 = 0;
    long beyond2 = 0, beyond35 = 0;
    for (int i = 0; i < n; i++) {
        const double x = normal_next(g);
        s += x;
        s2 += x * x;
        s4 += x * x * x * x;
        beyond2 += std::fabs(x) > 2.0;
        beyond35 += std::fabs(x) > 3.5;  // the ziggurat's tail path
    }
    EXPECT_NEAR(s / n, 0.0, 0.003);
    EXPECT_NEAR(s2 / n, 1.0, 0.004);
    EXPECT_NEAR(s4 / n, 3.0, 0.03);
    EXPECT_NEAR(beyond2 / double(n), 0.0455003, 0.0006);
    EXPECT_NEAR(beyond35 / double(n), 4.6525e-4, 0.6e-4);
    NormalSource a = normal_seeded(9), b = normal_seeded(9), c = normal_seeded(10);
    EXPECT_EQ(normal_next(a), normal_next(b));
    EXPECT_NE(normal_next(a), normal_next(c));
}

TEST(FirDesign, NoiseBandwidthHitsItsTargetAndHoldsOnRealNoise) {
    const double fs = 96000;
    for (double bw : {9600.0, 11400.0, 14400.0}) {
        const int n = taps_for_transition(0.4 * bw, fs, 15);
        const std::vector<double> h = lowpass_with_noise_bandwidth(n, bw, fs);
        EXPECT_NEAR(noise_bandwidth(h, fs), bw, 1e-6 * bw);
        EXPECT_NEAR(response_at(h, 0.0, fs), 1.0, 1e-12);
        EXPECT_LT(response_at(h, bw, fs), 0.01);  // well into the stop band
        // White noise of unit variance per sample: the output's variance is
        // the passed share of the band, bw / fs.
        NormalSource g = normal_seeded(1);
        std::vector<double> x(400000);
        for (double& v : x) v = normal_next(g);
        double p = 0;
        for (std::size_t i = h.size(); i < x.size(); i++) {
            double y = 0;
            for (std::size_t k = 0; k < h.size(); k++) y += h[k] * x[i - k];
            p += y * y;
        }
        p /= static_cast<double>(x.size() - h.size());
        EXPECT_NEAR(p * fs / bw, 1.0, 0.02) << bw;
    }
}

TEST(RxChain, ConstantLevelsComeOutAsDeviationPlusOffsetAndDrift) {
    ChainConfig cfg;
    cfg.noise = false;
    cfg.input_peak = 0.5;
    cfg.offset_hz = 700;
    std::vector<float> in(48000, 0.25f);  // half the peak: half the deviation
    std::vector<float> out = run_chain(cfg, in);
    EXPECT_NEAR(mean_of(out, 2000, 48000), 1200.0 + 700.0, 0.5);
    for (std::size_t i = 2000; i < out.size(); i += 997) EXPECT_NEAR(out[i], 1900.0, 1.0) << i;

    cfg.offset_hz = -1000;
    cfg.drift_hz_per_s = 200;  // -1000 Hz at the start, -800 Hz one second later
    out = run_chain(cfg, std::vector<float>(48000, 0.0f));
    EXPECT_NEAR(out[24000], -1000.0 + 100.0, 1.0);
    EXPECT_NEAR(out[47000], -1000.0 + 200.0 * 47000 / 48000.0, 1.0);
}

TEST(RxChain, OutputLagsInputByTheStatedDelayAtEveryRate) {
    for (int rate : {8000, 22050, 44100, 48000, 96000}) {
        ChainConfig cfg;
        cfg.audio_rate = rate;
        cfg.noise = false;
        cfg.post_cutoff_hz = std::min(7200.0, 0.45 * rate);
        std::vector<float> in(static_cast<std::size_t>(rate / 10), -0.5f);
        const std::size_t step = in.size() / 2;
        for (std::size_t i = step; i < in.size(); i++) in[i] = 0.5f;
        int delay = 0;
        const std::vector<float> out = run_chain(cfg, in, &delay);
        // A linear-phase chain crosses the middle of a step at its delay.
        std::size_t cross = 0;
        for (std::size_t i = 1; i < out.size(); i++)
            if (out[i - 1] < 0.0f && out[i] >= 0.0f) cross = i;
        EXPECT_NEAR(static_cast<double>(cross), static_cast<double>(step + static_cast<std::size_t>(delay)), 1.0)
            << rate;
    }
}

TEST(RxChain, HighPassRemovesAnOffsetAndDeemphasisHasItsCorner) {
    ChainConfig cfg;
    cfg.noise = false;
    cfg.offset_hz = 1000;
    cfg.highpass = true;
    int delay = 0;
    std::vector<float> out = run_chain(cfg, std::vector<float>(96000, 0.0f), &delay);
    // The offset is a step at the start; a 2nd-order Butterworth high-pass
    // answers 1000 exp(-w t / sqrt 2) (cos(w t / sqrt 2) - sin(w t / sqrt 2)).
    for (int i : {500, 1000, 3000}) {
        const double wt = 2 * kPi * 20.0 * (i - delay) / 48000.0 / std::sqrt(2.0);
        EXPECT_NEAR(out[static_cast<std::size_t>(i)], 1000.0 * std::exp(-wt) * (std::cos(wt) - std::sin(wt)), 15.0)
            << i;
    }
    EXPECT_NEAR(mean_of(out, 80000, 96000), 0.0, 5.0);

    // 75 us: a tone at 1 / (2 pi 75 us) = 2122 Hz comes out 3 dB down.
    cfg = ChainConfig{};
    cfg.noise = false;
    cfg.deemphasis_us = 75;
    const double f = 1.0 / (2 * kPi * 75e-6);
    std::vector<float> in(48000);
    for (std::size_t i = 0; i < in.size(); i++) in[i] = static_cast<float>(0.5 * std::sin(2 * kPi * f * i / 48000.0));
    out = run_chain(cfg, in);
    double p = 0;
    for (std::size_t i = 8000; i < 48000; i++) p += double(out[i]) * out[i];
    const double rms = std::sqrt(p / 40000.0);
    EXPECT_NEAR(rms / (2400.0 / std::sqrt(2.0)), 1.0 / std::sqrt(2.0), 0.03);
}

TEST(RxChain, SameSeedSameNoiseOtherSeedOtherNoise) {
    ChainConfig cfg;
    cfg.ebn0_db = 10;
    std::vector<float> in(20000, 0.5f);
    const std::vector<float> a = run_chain(cfg, in), b = run_chain(cfg, in);
    cfg.seed = 2;
    const std::vector<float> c = run_chain(cfg, in);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
}

TEST(RxChain, ExtremeInputStaysFinite) {
    // Full-scale square waves at the audio Nyquist rate, far beyond any
    // deviation the chain expects, with noise alone and at low rates.
    for (int rate : {8000, 48000}) {
        for (bool carrier : {true, false}) {
            ChainConfig cfg;
            cfg.audio_rate = rate;
            cfg.carrier = carrier;
            cfg.ebn0_db = -10;
            cfg.input_peak = 1e-3;
            cfg.post_cutoff_hz = 0.4 * rate;
            cfg.highpass = true;
            cfg.deemphasis_us = 50;
            std::vector<float> in(20000);
            for (std::size_t i = 0; i < in.size(); i++) in[i] = i % 2 ? 32767.0f : -32768.0f;
            for (float y : run_chain(cfg, in)) ASSERT_TRUE(std::isfinite(y));
        }
    }
}
