// Tone balance: normalised values, the soft value's scale and the
// balancing of tones at unequal levels (de-emphasis).
#include <gtest/gtest.h>

#include "ostrel/tone_balance.h"

namespace {

using namespace sonde::ostrel;

TEST(ToneBalance, NormalisedValuesAndLlr) {
    ToneBalance b;
    b.one = {1.0, 0.2};
    b.zero = {0.5, 0.1};
    b.var = 0.25;
    // Each magnitude normalised: 1 at its tone's "on" level, 0 at "off".
    EXPECT_DOUBLE_EQ(tone_difference(b, 0.2, 0.1), 0.0);
    EXPECT_DOUBLE_EQ(tone_difference(b, 0.2, 0.3), -0.5);
    // A clean 1 and a clean 0: d = +-1, llr = 2 d / var = +-8.
    EXPECT_DOUBLE_EQ(tone_difference(b, 1.0, 0.1), 1.0);
    EXPECT_DOUBLE_EQ(tone_llr_of_difference(b, tone_difference(b, 1.0, 0.1)), 8.0);
    EXPECT_DOUBLE_EQ(tone_llr_of_difference(b, tone_difference(b, 0.2, 0.5)), -8.0);
    EXPECT_DOUBLE_EQ(tone_llr_of_difference(b, tone_difference(b, 50.0, 0.0)), kLlrLimit);
}

TEST(ToneBalance, UnequalTonesAreBalanced) {
    // The 2200 Hz tone at half the level of the 1200 Hz one: a plain
    // comparison of magnitudes would call a weak 0 a 1; after tracking, a 0
    // reads as -1 and a 1 as +1.
    ToneBalance b;
    for (int i = 0; i < 400; i++) {
        if (i % 2)
            tone_balance_update(b, 0.8, 0.05, 1, 1.0 / 16);
        else
            tone_balance_update(b, 0.25, 0.4, 0, 1.0 / 16);
    }
    EXPECT_NEAR(b.one.on, 0.8, 1e-3);
    EXPECT_NEAR(b.one.off, 0.25, 1e-3);
    EXPECT_NEAR(b.zero.on, 0.4, 1e-3);
    EXPECT_NEAR(b.zero.off, 0.05, 1e-3);
    EXPECT_NEAR(tone_difference(b, 0.25, 0.4), -1.0, 1e-2);
    EXPECT_NEAR(tone_difference(b, 0.8, 0.05), 1.0, 1e-2);
    EXPECT_LT(b.var, 0.01);
}

TEST(ToneBalance, SpreadTracksTheNoise) {
    // d alternating 1 +- 0.3 around a 1: variance 0.09.
    ToneBalance b;
    b.started = true;
    b.one = {1.0, 0.0};
    b.zero = {1.0, 0.0};
    for (int i = 0; i < 2000; i++) tone_balance_update(b, i % 2 ? 1.0 : 1.0, i % 2 ? 0.3 : -0.3, 1, 1.0 / 64);
    EXPECT_NEAR(b.var, 0.09, 0.01);
}

}  // namespace
