// The front end's DSP pieces against answers known without them: filter
// gains, the oscillator's phase, the channelizer's bands, and the audio a
// tone FM-modulated at a known deviation gives at any offset and rate.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "iq/channelizer.h"
#include "iq/fir_design.h"
#include "iq/iq_front_end.h"
#include "iq/local_oscillator.h"
#include "iq_signals.h"

namespace {

using namespace sonde::iq;
using iqtest::kPi;

double gain_at(const std::vector<double>& h, double f_hz, double rate) {
    std::complex<double> s = 0.0;
    for (std::size_t i = 0; i < h.size(); i++)
        s += h[i] * std::polar(1.0, -2.0 * kPi * f_hz / rate * static_cast<double>(i));
    return std::abs(s);
}

TEST(FirDesign, KaiserLowpassMeetsItsBands) {
    const double rate = 64000.0;
    const int n = kaiser_taps(5000.0, rate, 60.0);
    const std::vector<double> h = kaiser_lowpass(n, 7000.0, rate, 60.0);
    EXPECT_NEAR(gain_at(h, 0.0, rate), 1.0, 1e-12);
    EXPECT_NEAR(gain_at(h, 4000.0, rate), 1.0, 0.01);  // passband edge (cutoff - transition / 2)
    EXPECT_NEAR(gain_at(h, 7000.0, rate), 0.5, 0.02);  // -6 dB at the cutoff
    for (double f = 9600.0; f < 32000.0; f += 100.0) EXPECT_LT(gain_at(h, f, rate), 0.0012) << f;
    // Between a brick wall at the cutoff and one at the passband's edge.
    EXPECT_GT(noise_bandwidth(h, rate), 2.0 * 4500.0);
    EXPECT_LT(noise_bandwidth(h, rate), 2.0 * 7000.0);
}

TEST(FirDesign, EveryBankRowHasUnitGainAndItsDelay) {
    const int phases = 8, taps = 24;
    const std::vector<double> bank = kaiser_bank(phases, taps, 0.2, 60.0);
    for (int p = 0; p < phases; p++) {
        double sum = 0.0, moment = 0.0;
        for (int q = 0; q < taps; q++) {
            sum += bank[static_cast<std::size_t>(p * taps + q)];
            moment += q * bank[static_cast<std::size_t>(p * taps + q)];
        }
        EXPECT_NEAR(sum, 1.0, 1e-12);
        // Row p is centred p / phases of a sample after taps / 2 - 1.
        EXPECT_NEAR(moment, taps / 2.0 - 1.0 + static_cast<double>(p) / phases, 5e-3) << p;
    }
}

TEST(LocalOscillator, PhaseRunsOnAcrossBlocksAndRetuning) {
    LocalOscillator lo;
    lo_init(lo, 1000);
    std::vector<float> one(2000), out(2000);
    for (std::size_t j = 0; j < one.size(); j += 2) one[j] = 1.0f, one[j + 1] = 0.0f;
    double phase = 0.0;  // cycles
    const double freqs[] = {0.01, 0.0137, -0.3, 0.25};
    for (double f : freqs) {
        lo_set(lo, f);
        for (int b = 0; b < 3; b++) {
            lo_mix(lo, one.data(), out.data(), 700);
            for (int j = 0; j < 700; j++) {
                const double a = -2.0 * kPi * (phase + f * j);
                ASSERT_NEAR(out[2 * static_cast<std::size_t>(j)], std::cos(a), 2e-5);
                ASSERT_NEAR(out[2 * static_cast<std::size_t>(j) + 1], std::sin(a), 2e-5);
            }
            phase += f * 700;
        }
    }
}

// A steady tone lands in the band nearest it, turned by its offset from
// the band's centre, and nowhere far from it.
TEST(Channelizer, ToneLandsInItsBand) {
    const double rate = 1024000.0;
    const int channels = 16, block = 4096;
    Channelizer c;
    ASSERT_TRUE(channelizer_init(c, rate, channels, 50000.0, block));
    iqtest::Capture cap;
    cap.rate = rate;
    cap.carriers.push_back({3 * 64000.0 + 9000.0, 0.5, nullptr});
    const std::vector<float> x = iqtest::make_capture(cap, 4 * block);
    for (int b = 0; b < 4; b++) channelizer_run(c, x.data() + 2 * b * block, block);
    const int band = channelizer_band(c, 3 * 64000.0 + 9000.0);
    ASSERT_EQ(band, 3);
    EXPECT_EQ(channelizer_centre(c, 15), -64000.0);
    double near = 0.0, far = 0.0;
    const int frames = c.frame_count;
    for (int f = 0; f < frames; f++) {
        const float* y = c.frames.data() + 2 * static_cast<std::size_t>(f) * channels;
        near += std::hypot(y[2 * band], y[2 * band + 1]);
        far = std::max(far, static_cast<double>(std::hypot(y[2 * 6], y[2 * 6 + 1])));
    }
    EXPECT_NEAR(near / frames, 0.5, 0.01);
    EXPECT_LT(far, 0.5e-3);
    // The raw band output turns at the tone's own frequency (folded by the hop rate).
    const float* y0 = c.frames.data() + 2 * 10 * channels;
    const float* y1 = y0 + 2 * channels;
    const double turn = std::arg(std::complex<double>(y1[2 * band], y1[2 * band + 1]) *
                                 std::conj(std::complex<double>(y0[2 * band], y0[2 * band + 1])));
    const double want = std::remainder(2.0 * kPi * (3 * 64000.0 + 9000.0) * c.hop / rate, 2.0 * kPi);
    EXPECT_NEAR(turn, want, 1e-3);
}

struct ToneCase {
    const char* name;
    double rate;
    int mode;  // SourceMode
    double offset_hz;
    Kind kind;
    double deviation_hz;
};

class ToneAudio : public testing::TestWithParam<ToneCase> {};

struct Collect {
    std::vector<float> audio;
    int rate = 0;
};

void collect_audio(void* ctx, const AudioBlock& a) {
    Collect& c = *static_cast<Collect*>(ctx);
    c.audio.insert(c.audio.end(), a.samples, a.samples + a.count);
    c.rate = a.rate;
}

// A 1 kHz tone at a known deviation comes back at deviation / (2 * the
// kind's deviation) of full scale, with no DC once the AFC has settled.
TEST_P(ToneAudio, AmplitudeFollowsDeviation) {
    const ToneCase& tc = GetParam();
    iqtest::Capture cap;
    cap.rate = tc.rate;
    cap.carriers.push_back({tc.offset_hz, 0.3, iqtest::tone(tc.deviation_hz, 1000.0)});
    cap.noise_rms = 0.003;
    const std::vector<float> x = iqtest::make_capture(cap, static_cast<int64_t>(1.0 * tc.rate));
    FrontEndConfig cfg;
    cfg.rate = tc.rate;
    cfg.mode = tc.mode;
    cfg.search = false;
    cfg.forced_hz = {tc.offset_hz + 150.0};  // off by a little: the AFC pulls in
    cfg.kinds = kind_bit(tc.kind);
    Collect col;
    FrontEndSink sink;
    sink.ctx = &col;
    sink.audio = collect_audio;
    IqFrontEnd fe;
    ASSERT_TRUE(front_end_init(fe, cfg, sink));
    front_end_feed(fe, x.data(), x.size() / 2);
    ASSERT_EQ(col.rate, kind_profile(tc.kind).audio_rate);
    // The last 0.2 s: a whole number of tone periods.
    const int n = col.rate / 5;
    ASSERT_GT(static_cast<int>(col.audio.size()), 2 * n);
    double c = 0.0, s = 0.0, mean = 0.0;
    const std::size_t from = col.audio.size() - static_cast<std::size_t>(n);
    for (int j = 0; j < n; j++) {
        const double v = col.audio[from + static_cast<std::size_t>(j)];
        c += v * std::cos(2.0 * kPi * 1000.0 * j / col.rate);
        s += v * std::sin(2.0 * kPi * 1000.0 * j / col.rate);
        mean += v;
    }
    const double amp = 2.0 * std::hypot(c, s) / n;
    EXPECT_NEAR(amp, tc.deviation_hz / (2.0 * kind_profile(tc.kind).deviation_hz), 0.005);
    EXPECT_NEAR(mean / n, 0.0, 0.01);
    EXPECT_NEAR(front_end_measure(fe, 0).offset_hz, tc.offset_hz, 30.0);
    // Level: the carrier's power, 0.3^2, against a full-scale tone.
    EXPECT_NEAR(front_end_measure(fe, 0).level_dbfs, 20.0 * std::log10(0.3), 0.5);
}

INSTANTIATE_TEST_SUITE_P(Offsets, ToneAudio,
                         testing::Values(ToneCase{"ddc_250k_plus25k", 250000.0, 0, 25000.0, Kind::vardo, 1200.0},
                                         ToneCase{"ddc_250k_minus95k", 250000.0, 0, -95000.0, Kind::pelkin, 2000.0},
                                         ToneCase{"ddc_250k_ostrel", 250000.0, 0, 61000.0, Kind::ostrel, 1750.0},
                                         ToneCase{"chz_1024k_plus480k", 1024000.0, 1, 480000.0, Kind::vardo, 2400.0},
                                         ToneCase{"chz_2048k_between_bands", 2048000.0, 1, -704000.0 - 31000.0,
                                                  Kind::ostrel, 3500.0}),
                         [](const testing::TestParamInfo<ToneCase>& i) { return std::string(i.param.name); });

}  // namespace
