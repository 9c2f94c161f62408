// Counting each sonde's frames in a wideband capture: what bench/wideband
// reports per sonde, from sonderx's JSON lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wideband_match.h"

using namespace sens;

namespace {

std::string vardo_line(const char* serial, double lat, const char* extra = "") {
    return std::string("{\"decoder\":\"vardo\",\"ok\":true,\"id\":\"") + serial +
           "\",\"datetime\":\"2024-02-07T23:59:42Z\",\"lat\":" + std::to_string(lat) + ",\"lon\":13.4,\"alt\":1000" +
           extra + "}\n";
}

std::string pelkin_line(const char* time, double lat, const char* extra = "") {
    return std::string("{\"decoder\":\"pelkin\",\"ok\":true,\"datetime\":\"2026-12-06T") + time +
           "Z\",\"lat\":" + std::to_string(lat) + ",\"lon\":11.6,\"alt\":1234.5" + extra + "}\n";
}

}  // namespace

TEST(WidebandMatch, VardoFramesGoToTheSondeWithTheirSerialWhereverTheyWereHeard) {
    const std::vector<WidebandSonde> sondes = {
        {"vardo", -800000, vardo_line("A-1", 52.5) + vardo_line("A-1", 52.6) + vardo_line("A-1", 52.7)},
        {"vardo", 150000, vardo_line("B-2", 52.5) + vardo_line("B-2", 52.6)},
    };
    const std::string out = vardo_line("A-1", 52.5, ",\"offset_hz\":-800000") +
                            vardo_line("B-2", 52.6, ",\"offset_hz\":800000") +  // its image: still B's by serial
                            vardo_line("A-1", 52.6, ",\"offset_hz\":-800000") +
                            vardo_line("A-1", 52.6, ",\"offset_hz\":800000") +  // reported twice
                            vardo_line("B-2", 52.9, ",\"offset_hz\":150000") +  // never sent
                            vardo_line("C-3", 52.5, ",\"offset_hz\":150000");   // no such sonde
    const WidebandTally t = tally_wideband(sondes, out);
    ASSERT_EQ(t.sondes.size(), 2u);
    EXPECT_EQ(t.sondes[0].sent, 3);
    EXPECT_EQ(t.sondes[0].decoded, 2);
    EXPECT_EQ(t.sondes[0].repeats, 1);
    EXPECT_EQ(t.sondes[1].sent, 2);
    EXPECT_EQ(t.sondes[1].decoded, 1);
    EXPECT_EQ(t.sondes[1].repeats, 0);
    EXPECT_EQ(t.false_good, 2);
}

TEST(WidebandMatch, KindsWithoutSerialGoByCarrierWithinFiveKilohertz) {
    // Two pelkin sondes 20 kHz apart sending the same times at different
    // latitudes: a frame belongs to the one whose carrier it came from.
    const std::vector<WidebandSonde> sondes = {
        {"pelkin", 100000, pelkin_line("12:00:00", 47.0) + pelkin_line("12:00:01", 47.0)},
        {"pelkin", 120000, pelkin_line("12:00:00", 46.0) + pelkin_line("12:00:01", 46.0)},
    };
    struct Case {
        const char* what;
        std::string line;
        long decoded0, decoded1, false_good;
    } cases[] = {
        {"on its carrier", pelkin_line("12:00:00", 47.0, ",\"offset_hz\":100000"), 1, 0, 0},
        {"4.9 kHz off", pelkin_line("12:00:01", 46.0, ",\"offset_hz\":124900"), 0, 1, 0},
        {"5.1 kHz off", pelkin_line("12:00:01", 46.0, ",\"offset_hz\":125100"), 0, 0, 1},
        {"the other's frame on this carrier", pelkin_line("12:00:00", 46.0, ",\"offset_hz\":100000"), 0, 0, 1},
        {"no carrier given", pelkin_line("12:00:00", 47.0), 0, 0, 1},
        {"another kind at the carrier", vardo_line("A-1", 47.0, ",\"offset_hz\":100000"), 0, 0, 1},
    };
    for (const Case& c : cases) {
        const WidebandTally t = tally_wideband(sondes, c.line);
        EXPECT_EQ(t.sondes[0].decoded, c.decoded0) << c.what;
        EXPECT_EQ(t.sondes[1].decoded, c.decoded1) << c.what;
        EXPECT_EQ(t.false_good, c.false_good) << c.what;
    }
}

TEST(WidebandMatch, OnlyGoodFramesWithAPositionCount) {
    const std::vector<WidebandSonde> sondes = {
        {"pelkin", 0, pelkin_line("12:00:00", 47.0) + "{\"decoder\":\"pelkin\",\"ok\":false,\"lat\":1}\n\n"},
    };
    const std::string out =
        "{\"decoder\":\"pelkin\",\"ok\":false,\"datetime\":\"2026-12-06T12:00:00Z\",\"lat\":47,"
        "\"lon\":11.6,\"alt\":1234.5,\"offset_hz\":0}\n"
        "not json\n"
        "\n";
    const WidebandTally t = tally_wideband(sondes, out);
    EXPECT_EQ(t.sondes[0].sent, 1);  // the reference's bad frame is not a frame sent
    EXPECT_EQ(t.sondes[0].decoded, 0);
    EXPECT_EQ(t.false_good, 0);
    EXPECT_EQ(t.other, 2);
}
