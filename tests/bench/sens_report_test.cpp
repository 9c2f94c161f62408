// The benchmark's arithmetic: thresholds, confidence intervals and the
// uncoded reference line.
#include <gtest/gtest.h>

#include <cmath>

#include "sens_report.h"

using namespace sens;

TEST(SensReport, ThresholdIsWhereTheCurveStaysAboveNinetyPercent) {
    // A dip at 12 dB: the threshold is the start of the run that holds.
    EXPECT_EQ(threshold_db({{10, 0.5}, {11, 0.92}, {12, 0.85}, {13, 0.95}, {14, 1.0}}, 0.9), 13);
    EXPECT_EQ(threshold_db({{10, 0.95}, {11, 1.0}}, 0.9), 10);
    EXPECT_LT(threshold_db({{10, 0.2}, {11, 0.89}}, 0.9), 0);
}

TEST(SensReport, WilsonIntervalMatchesTheTextbookValues) {
    double lo, hi;
    wilson95(360, 400, lo, hi);  // 90 % of 400: 86.67 % to 92.57 %
    EXPECT_NEAR(lo, 0.8667, 0.0002);
    EXPECT_NEAR(hi, 0.9257, 0.0002);
    wilson95(0, 400, lo, hi);
    EXPECT_NEAR(lo, 0.0, 1e-12);
    EXPECT_NEAR(hi, 0.0095, 0.0003);
}

TEST(SensReport, ReferenceFrameSuccessOfUncodedBits) {
    // 12 dB: p = 0.5 exp(-15.85 / 2) = 1.81e-4; 808 bits: 0.864.
    EXPECT_NEAR(ncfsk_frame_success(12, 808), 0.864, 0.002);
    EXPECT_NEAR(ncfsk_frame_success(12, 400), 0.930, 0.002);
    EXPECT_NEAR(ncfsk_frame_success(30, 808), 1.0, 1e-9);
}

TEST(SensReport, PointsReadBackFromTheCsv) {
    const auto pts = read_points(
        "set,program,mode,chain,offset_hz,ebn0_db,sent,decoded,false\n"
        "vardo101,vardo,-b2,plain,-2000,14,400,371,0\n");
    ASSERT_EQ(pts.size(), 1u);
    EXPECT_EQ(pts[0].mode, "-b2");
    EXPECT_EQ(pts[0].offset_hz, -2000);
    EXPECT_EQ(pts[0].decoded, 371);
}

TEST(SensReport, TablesAndPlotShowEveryCurve) {
    const auto pts = read_points(
        "set,program,mode,chain,offset_hz,ebn0_db,sent,decoded,false\n"
        "pelkin,pelkin,plain,plain,0,12,400,200,0\n"
        "pelkin,pelkin,plain,plain,0,13,400,380,0\n"
        "pelkin,pelkin,plain,plain,0,14,400,400,0\n"
        "pelkin,pelkin,--dc,plain,0,12,400,10,2\n"
        "pelkin,pelkin,--dc,plain,0,13,400,20,0\n"
        "pelkin,pelkin,--dc,plain,0,14,400,30,0\n"
        "pelkin,pelkin,plain,deemph,2000,14,400,400,0\n");
    Reference ref;
    for (double e : {12.0, 13.0, 14.0}) ref["pelkin"][e] = ncfsk_frame_success(e, 400);
    const std::string text = report_text(pts, ref);
    EXPECT_NE(text.find("  10/400+2"), std::string::npos) << text;        // false frames shown with the count
    EXPECT_NE(text.find("13 (92.4-96.7 %)"), std::string::npos) << text;  // 380/400 first at or above 90 %
    EXPECT_NE(text.find("not reached"), std::string::npos) << text;
    EXPECT_NE(text.find("   12\n"), std::string::npos) << text;  // the reference's threshold
    // The plot: the two 0 Hz plain-chain curves and the reference; not the de-emphasis one.
    const std::string svg = report_svg(pts, ref, "t");
    int lines = 0;
    for (std::size_t p = svg.find("<polyline"); p != std::string::npos; p = svg.find("<polyline", p + 1)) lines++;
    EXPECT_EQ(lines, 3);
    EXPECT_EQ(svg.rfind("</svg>\n"), svg.size() - 7);
}
