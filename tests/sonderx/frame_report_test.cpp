// A check that passed by chance on junk leaves a fix no balloon can have:
// such a frame is bad; every fix a sonde can send stays good.
#include <gtest/gtest.h>

#include <cmath>

#include "sonderx/frame_report.h"

namespace {

using sonde::sonderx::FrameReport;
using sonde::sonderx::FrameVerdict;

struct Fix {
    double lat, lon, alt, vel_h, vel_v;
    bool good;
};

class ImpossibleFix : public ::testing::TestWithParam<Fix> {};

TEST_P(ImpossibleFix, IsBadAndSaysWhy) {
    const Fix& x = GetParam();
    FrameReport r;
    r.verdict = FrameVerdict::good;
    sonde::sonderx::report_fix(r, x.lat, x.lon, x.alt, x.vel_h, 90.0, x.vel_v);
    sonde::sonderx::reject_impossible_fix(r);
    EXPECT_EQ(r.verdict == FrameVerdict::good, x.good);
    if (!x.good) {
        EXPECT_STREQ(r.why_bad, "impossible fix");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fixes, ImpossibleFix,
    ::testing::Values(Fix{48.1, 11.5, 32000.0, 60.0, 5.0, true},                // ascending
                      Fix{-78.0, -179.9, -300.0, 0.0, 0.0, true},               // below sea level, near the date line
                      Fix{51.0, 6.0, 28000.0, 40.0, -150.0, true},              // falling after the burst
                      Fix{-0.000001, -0.035, 14316557.7, 308.9, 218.4, false},  // a false pass on junk
                      Fix{-33.5, 1465.2, 1000.0, 0.0, 0.0, false},              // off the globe
                      Fix{48.0, 11.0, 1000.0, 10.0, 1e6, false},                // faster than a falling sonde
                      Fix{std::nan(""), 11.0, 1000.0, 0.0, 0.0, false}));

TEST(ImpossibleFix, LeavesBadFramesAndPacketsWithoutPositionAlone) {
    FrameReport r;
    r.verdict = FrameVerdict::bad;
    r.why_bad = "check";
    r.alt = 1e9;
    sonde::sonderx::reject_impossible_fix(r);
    EXPECT_STREQ(r.why_bad, "check");
    r.verdict = FrameVerdict::no_position;
    r.has_position = false;
    sonde::sonderx::reject_impossible_fix(r);
    EXPECT_EQ(r.verdict, FrameVerdict::no_position);
}

}  // namespace
