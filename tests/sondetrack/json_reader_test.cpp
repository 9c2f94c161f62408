// Reading decoder lines: which lines make a point, which are skipped and
// which count as bad, and the time values that may enter a track.
#include <gtest/gtest.h>

#include "sondetrack/json_reader.h"

using namespace sondetrack;

TEST(JsonLine, ClassifiesLines) {
    EXPECT_EQ(read_json_line("").kind, LineKind::blank);
    EXPECT_EQ(read_json_line(" \t\r").kind, LineKind::blank);
    EXPECT_EQ(read_json_line("not json").kind, LineKind::bad);
    EXPECT_EQ(read_json_line("[1,2]").kind, LineKind::bad);
    EXPECT_EQ(read_json_line("{\"ok\":true,\"lat\":1,\"lon\":2").kind, LineKind::bad);  // cut short
    // Failed frames and packets without a position status are no points, but no fault either.
    EXPECT_EQ(read_json_line(R"({"decoder":"vardo","ok":false,"lat":1,"lon":2,"alt":3})").kind, LineKind::ignored);
    EXPECT_EQ(read_json_line(R"({"decoder":"ostrel","packet_type":3,"raw":"0103"})").kind, LineKind::ignored);
    EXPECT_EQ(read_json_line(R"({"ok":"true","lat":1,"lon":2,"alt":3})").kind, LineKind::ignored);
    // A good frame must carry a usable position.
    EXPECT_EQ(read_json_line(R"({"ok":true,"lat":1,"lon":2})").kind, LineKind::bad);
    EXPECT_EQ(read_json_line(R"({"ok":true,"lat":"1","lon":2,"alt":3})").kind, LineKind::bad);
    EXPECT_EQ(read_json_line(R"({"ok":true,"lat":90.5,"lon":2,"alt":3})").kind, LineKind::bad);
    EXPECT_EQ(read_json_line(R"({"ok":true,"lat":1,"lon":-180.5,"alt":3})").kind, LineKind::bad);
    EXPECT_EQ(read_json_line(R"({"ok":true,"lat":1,"lon":2,"alt":1e999})").kind, LineKind::bad);
}

TEST(JsonLine, TakesPositionTrackAndTime) {
    LineFix f = read_json_line(R"({"decoder":"vardo","ok":true,"id":"312-A-10837","datetime":"2024-02-07T23:59:43Z",)"
                               R"("lat":48.1372,"lon":-11.5755,"alt":2505.5,"temp":-1.2})");
    ASSERT_EQ(f.kind, LineKind::fix);
    EXPECT_EQ(f.track, "312-A-10837");
    EXPECT_DOUBLE_EQ(f.fix.lat, 48.1372);
    EXPECT_DOUBLE_EQ(f.fix.lon, -11.5755);
    EXPECT_DOUBLE_EQ(f.fix.alt, 2505.5);
    EXPECT_EQ(f.fix.time, "2024-02-07T23:59:43Z");

    // No id: one track per decoder; a time of day only is kept apart.
    f = read_json_line(R"({"decoder":"ostrel","ok":true,"time":"12:00:01","lat":48.1,"lon":11.5,"alt":1000})");
    EXPECT_EQ(f.track, "ostrel");
    EXPECT_EQ(f.fix.time, "");
    EXPECT_EQ(f.clock, "12:00:01");

    // A datetime that is no calendar value gives a point without a time.
    f = read_json_line(R"({"decoder":"pelkin","ok":true,"datetime":"2026-13-06T12:34:56Z","lat":1,"lon":2,"alt":3})");
    EXPECT_EQ(f.kind, LineKind::fix);
    EXPECT_EQ(f.track, "pelkin");
    EXPECT_EQ(f.fix.time, "");
}

TEST(JsonLine, CalendarChecks) {
    EXPECT_TRUE(valid_utc_datetime("2026-12-06T12:34:56.789Z"));
    EXPECT_TRUE(valid_utc_datetime("2024-02-29T00:00:00Z"));
    EXPECT_FALSE(valid_utc_datetime("2023-02-29T00:00:00Z"));  // no leap year
    EXPECT_FALSE(valid_utc_datetime("1900-02-29T00:00:00Z"));  // century, no leap year
    EXPECT_TRUE(valid_utc_datetime("2000-02-29T00:00:00Z"));
    EXPECT_FALSE(valid_utc_datetime("2024-04-31T00:00:00Z"));
    EXPECT_FALSE(valid_utc_datetime("2024-02-07T24:00:00Z"));
    EXPECT_FALSE(valid_utc_datetime("2024-02-07T23:59:61Z"));
    EXPECT_FALSE(valid_utc_datetime("2024-02-07T23:59:43"));    // no zone
    EXPECT_FALSE(valid_utc_datetime("2024-02-07T23:59:43.Z"));  // empty fraction
    EXPECT_FALSE(valid_utc_datetime("2024-02-07 23:59:43Z"));
    EXPECT_TRUE(valid_clock("23:59:59"));
    EXPECT_FALSE(valid_clock("23:60:00"));
    EXPECT_FALSE(valid_clock("2:00:00"));
    EXPECT_FALSE(valid_date("2024-2-07"));
}
