// The synthesizer's flight: climb, burst, fall, landing.
#include <gtest/gtest.h>

#include "vardo/vardo_synth.h"

TEST(FlightProfile, ClimbsBurstsFallsAndLands) {
    VardoProfile p;
    p.start_alt = 1000.0;
    p.ascent = 5.0;
    double alt = 0.0, v = 0.0;
    vardo_profile_at(p, 100.0, alt, v);  // no burst altitude: climbs on
    EXPECT_DOUBLE_EQ(alt, 1500.0);
    EXPECT_DOUBLE_EQ(v, 5.0);

    p.burst = true;
    p.burst_alt = 2000.0;  // reached after 200 s
    p.descent = 8.0;
    vardo_profile_at(p, 199.0, alt, v);
    EXPECT_DOUBLE_EQ(alt, 1995.0);
    EXPECT_DOUBLE_EQ(v, 5.0);
    vardo_profile_at(p, 210.0, alt, v);
    EXPECT_DOUBLE_EQ(alt, 2000.0 - 80.0);
    EXPECT_DOUBLE_EQ(v, -8.0);
    vardo_profile_at(p, 200.0 + 250.0, alt, v);  // 2000 m fallen at 8 m/s: on the ground
    EXPECT_DOUBLE_EQ(alt, 0.0);
    EXPECT_DOUBLE_EQ(v, 0.0);
    vardo_profile_at(p, 1e6, alt, v);
    EXPECT_DOUBLE_EQ(alt, 0.0);

    p.burst_alt = 500.0;  // below the start: falls from the first frame
    vardo_profile_at(p, 10.0, alt, v);
    EXPECT_DOUBLE_EQ(alt, 920.0);
    p.ascent = -1.0;  // sinking from the start never reaches a burst
    vardo_profile_at(p, 10.0, alt, v);
    EXPECT_DOUBLE_EQ(alt, 990.0);
    EXPECT_DOUBLE_EQ(v, -1.0);
}
