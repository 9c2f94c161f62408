// Offset tracker: a step settles on the level, a ramp is followed with no
// standing error, noise is averaged down by the expected factor.
#include <gtest/gtest.h>

#include <cmath>

#include "dsp/dc_tracker.h"

using sonde::DcTracker;

TEST(DcTracker, StartsOnTheLevelAndFollowsARampWithoutLag) {
    DcTracker t = sonde::dc_tracker_make(50.0);
    // The start-up mean lands on a constant level at once.
    for (int i = 0; i < 10; i++) sonde::dc_tracker_update(t, 0.25);
    EXPECT_DOUBLE_EQ(t.level, 0.25);
    // A ramp of 1e-3 per observation: a level-only tracker would lag by
    // slope * time_constant = 0.05; the slope state takes that out.
    double x = 0.25;
    for (int i = 0; i < 2000; i++) sonde::dc_tracker_update(t, x += 1e-3);
    EXPECT_NEAR(t.level, x, 1e-6);
    EXPECT_NEAR(t.slope, 1e-3, 1e-8);
}

TEST(DcTracker, AveragesNoiseDown) {
    // Uniform noise of variance 1/12 around 0.1; the level's spread after a
    // tracker with time constant 100 is about sqrt(alpha / 2) times the
    // noise's, well under a tenth of it.
    DcTracker t = sonde::dc_tracker_make(100.0);
    unsigned s = 12345;
    double worst = 0.0;
    for (int i = 0; i < 20000; i++) {
        s = s * 1103515245u + 12345u;
        const double u = ((s >> 8) & 0xFFFF) / 65536.0 - 0.5;
        sonde::dc_tracker_update(t, 0.1 + u);
        if (i > 1000) worst = std::fmax(worst, std::fabs(t.level - 0.1));
    }
    EXPECT_LT(worst, 0.1 * std::sqrt(1.0 / 12.0) * 4.0);
    EXPECT_GT(worst, 0.0);
}

TEST(DcTracker, StartUpEndsWhereThePlainWeightReachesAlpha) {
    // The plain mean weighs observation n by 1 / n; it gives way once that
    // is no more than alpha: after 49 observations for 1 / 50 (the default),
    // after 3 for 1 / 3.5.
    EXPECT_EQ(sonde::dc_tracker_make(50.0).plain, 49);
    EXPECT_EQ(DcTracker{}.plain, 49);
    EXPECT_EQ(sonde::dc_tracker_make(3.5).plain, 3);
    EXPECT_EQ(sonde::dc_tracker_make(0.5).plain, 0);
}
