// The limiter and the sliding tone correlators against tones of known
// frequency: a limited tone is a square wave whose fundamental has amplitude
// 4/pi, so the correlator of its own frequency reads 2/pi.
#include <gtest/gtest.h>

#include <cmath>

#include <vector>

#include "synth/signals.h"
#include "ostrel/tone_correlators.h"

namespace {

using namespace sonde::ostrel;
constexpr double kPi = 3.14159265358979323846;

void feed_tone(ToneCorrelators& c, double rate, double hz, double amplitude, double dc, int n, double phase = 0.3) {
    for (int i = 0; i < n; i++) tone_correlators_add(c, dc + amplitude * std::sin(2 * kPi * hz * i / rate + phase));
}

TEST(ToneCorrelators, EachToneLightsItsOwnCorrelator) {
    for (double rate : {8000.0, 22050.0, 48000.0}) {
        SCOPED_TRACE(rate);
        for (double hz : {kToneOneHz, kToneZeroHz}) {
            ToneCorrelators c;
            tone_correlators_init(c, rate);
            feed_tone(c, rate, hz, 0.3, 0.0, static_cast<int>(rate / 10));
            const ToneLevelsAt m = tone_magnitudes(tone_sums_at(c, static_cast<double>(c.taken - 1)));
            const double own = hz == kToneOneHz ? m.one : m.zero;
            const double other = hz == kToneOneHz ? m.zero : m.one;
            // The window is a whole number of samples, not exactly one bit.
            EXPECT_NEAR(own, 2.0 / kPi, 0.06);
            EXPECT_LT(other, 0.45 * own);
        }
    }
}

TEST(ToneCorrelators, LevelAndOffsetDoNotMatter) {
    // The limiter sees only the sign of the audio around its offset.
    ToneCorrelators a, b;
    tone_correlators_init(a, 48000);
    tone_correlators_init(b, 48000);
    feed_tone(a, 48000, kToneZeroHz, 0.5, 0.0, 48000);
    feed_tone(b, 48000, kToneZeroHz, 0.01, 0.2, 48000);
    const ToneLevelsAt ma = tone_magnitudes(tone_sums_at(a, 47999.0));
    const ToneLevelsAt mb = tone_magnitudes(tone_sums_at(b, 47999.0));
    EXPECT_NEAR(ma.zero, mb.zero, 0.01);
    EXPECT_NEAR(ma.one, mb.one, 0.01);
}

TEST(ToneCorrelators, SumsStayExactOverLongRuns) {
    // Running sums, tidied now and then, against a sum formed afresh.
    ToneCorrelators c;
    tone_correlators_init(c, 44100);
    feed_tone(c, 44100, 1700.0, 0.4, 0.0, 1000003);
    c.tidy_count = 0;
    const ToneSums before = c.sum;
    tone_correlators_tidy(c);
    EXPECT_NEAR(before.part[0], c.sum.part[0], 1e-9);
    EXPECT_NEAR(before.part[3], c.sum.part[3], 1e-9);
    EXPECT_NEAR(std::hypot(c.phasor.part[0], c.phasor.part[1]), 1.0 / c.window, 1e-12);
}

TEST(ToneCorrelators, WindowCrossingAToneChangeSharesTheTones) {
    // Phase-continuous 2200 Hz then 1200 Hz: with the window half in each
    // tone the two correlators read alike, a quarter either way one tone
    // leads clearly. The clock's timing detector relies on that crossing.
    AfskGen g;
    std::vector<double> x;
    afsk_bits(g, x, "0000000001111111111");
    ToneCorrelators c;
    tone_correlators_init(c, 48000);
    for (double v : x) tone_correlators_add(c, v);
    const double change = 9 * 40.0 - 1;  // window of bits 0..8 ends here
    auto diff = [&](double t) {
        const ToneLevelsAt m = tone_magnitudes(tone_sums_at(c, t));
        return m.one - m.zero;
    };
    EXPECT_LT(diff(change), -0.5);
    EXPECT_LT(diff(change + 10), -0.1);
    EXPECT_NEAR(diff(change + 20), 0.0, 0.1);
    EXPECT_GT(diff(change + 30), 0.1);
    EXPECT_GT(diff(change + 40), 0.5);
}

TEST(ToneCorrelators, ClicksAreBlankedNoiseIsNot) {
    // A discriminator click, far above the tone: the limited sample and the
    // 50 us after it count for nothing, instead of a run of the click's sign.
    ToneCorrelators c;
    tone_correlators_init(c, 48000);
    feed_tone(c, 48000, kToneZeroHz, 0.3, 0.0, 4800);
    const ToneSums before = c.sum;
    tone_correlators_add(c, -1.0);
    EXPECT_EQ(c.blank, 1);  // this sample and one more: 50 us at 48 kHz
    // The sample that left the window is gone, nothing came in.
    const ToneSums& left = c.products[static_cast<std::size_t>((c.product_pos + c.window - 1) % c.window)];
    EXPECT_DOUBLE_EQ(left.part[2], 0.0);
    EXPECT_NE(c.sum.part[2], before.part[2]);
    // The tone's own peaks (pi/2 times its mean magnitude) are no clicks.
    feed_tone(c, 48000, kToneOneHz, 0.3, 0.0, 4800);
    EXPECT_EQ(c.blank, 0);
    EXPECT_LT(c.blank_share, 0.001);
    // Audio that is all noise crosses the click level often; the share
    // blanked stays capped, so the signal in it is not cut away.
    Gaussian g = gaussian_seeded(5);
    for (int i = 0; i < 48000; i++) tone_correlators_add(c, 0.2 * gaussian_next(g));
    EXPECT_LT(c.blank_share, kMaxBlankShare + 0.005);
}

}  // namespace
