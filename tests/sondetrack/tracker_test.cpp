// Tracks per sonde, the 3-degree jump rule, and days for time-of-day frames.
#include <gtest/gtest.h>

#include "sondetrack/line_splitter.h"
#include "sondetrack/tracker.h"

using namespace sondetrack;

namespace {

std::string line(const char* track_key, const char* track, double lat, double lon, double alt) {
    return std::string("{\"ok\":true,\"") + track_key + "\":\"" + track + "\",\"lat\":" + std::to_string(lat) +
           ",\"lon\":" + std::to_string(lon) + ",\"alt\":" + std::to_string(alt) + "}";
}

}  // namespace

TEST(Tracker, JumpRuleLeavesOutFarPointsAndComparesWithTheLastKept) {
    Tracker t;
    EXPECT_TRUE(tracker_line(t, line("id", "A", 50.0, 10.0, 100)));
    EXPECT_TRUE(tracker_line(t, line("id", "A", 52.9, 10.0, 200)));    // 2.9 degrees: kept
    EXPECT_FALSE(tracker_line(t, line("id", "A", 56.2, 10.0, 300)));   // 3.3 from 52.9: left out
    EXPECT_TRUE(tracker_line(t, line("id", "A", 55.8, 10.0, 400)));    // 2.9 from 52.9: kept
    EXPECT_FALSE(tracker_line(t, line("id", "A", 55.8, 7.0, 500)));    // 3.0 in longitude
    EXPECT_FALSE(tracker_line(t, line("id", "A", 52.8, 10.0, 600)));   // 3.0 back in latitude
    EXPECT_TRUE(tracker_line(t, line("id", "B", -30.0, -60.0, 700)));  // another sonde, its own track
    ASSERT_EQ(t.set.tracks.size(), 2u);
    const Track& a = t.set.tracks[0];
    ASSERT_EQ(a.points.size(), 3u);
    EXPECT_DOUBLE_EQ(a.points[2].lat, 55.8);
    EXPECT_EQ(t.jumps, 3);
    EXPECT_EQ(t.set.tracks[1].name, "B");
}

TEST(Tracker, CountsBadLinesOnlyAndNoPointWithoutOkTrue) {
    Tracker t;
    tracker_line(t, "");
    tracker_line(t, "{\"ok\":false}");
    tracker_line(t, "{\"ok\":false,\"decoder\":\"vardo\",\"id\":\"A\",\"lat\":1,\"lon\":2,\"alt\":3}");
    tracker_line(t, "{\"ok\":\"true\",\"lat\":1,\"lon\":2,\"alt\":3}");
    tracker_line(t, "garbage");
    tracker_line(t, "{\"ok\":true,\"lat\":1}");
    EXPECT_EQ(t.bad_lines, 2);
    EXPECT_TRUE(t.set.tracks.empty());
}

TEST(Tracker, TimeOfDayFramesTakeTheDateAndCrossMidnight) {
    EXPECT_EQ(next_day("2024-02-28"), "2024-02-29");
    EXPECT_EQ(next_day("2023-02-28"), "2023-03-01");
    EXPECT_EQ(next_day("2026-12-31"), "2027-01-01");
    EXPECT_EQ(next_day("2026-04-30"), "2026-05-01");

    const auto packet = [](const char* time, double alt) {
        return std::string("{\"decoder\":\"ostrel\",\"ok\":true,\"time\":\"") + time +
               "\",\"lat\":48.1,\"lon\":11.5,\"alt\":" + std::to_string(alt) + "}";
    };
    Tracker t;
    t.start_date = "2026-12-31";
    tracker_line(t, packet("23:59:59", 1));
    tracker_line(t, packet("23:59:58", 2));  // a second back is no new day
    tracker_line(t, packet("00:00:01", 3));
    const Track& o = t.set.tracks.at(0);
    EXPECT_EQ(o.points[0].time, "2026-12-31T23:59:59Z");
    EXPECT_EQ(o.points[1].time, "2026-12-31T23:59:58Z");
    EXPECT_EQ(o.points[2].time, "2027-01-01T00:00:01Z");

    Tracker undated;  // without --date no time at all
    tracker_line(undated, packet("12:00:00", 1));
    EXPECT_EQ(undated.set.tracks.at(0).points.at(0).time, "");
}

TEST(LineSplitter, JoinsLinesAcrossBlocksAndDropsOverlongOnes) {
    LineSplitter s;
    std::vector<std::string> got;
    const auto on = [&](std::string_view l) { got.emplace_back(l); };
    split_lines(s, "ab\ncd", on);
    split_lines(s, "e\n\nf", on);
    finish_lines(s, on);
    EXPECT_EQ(got, (std::vector<std::string>{"ab", "cde", "", "f"}));

    got.clear();
    const std::string big(kMaxLineLength / 2 + 1, 'x');
    split_lines(s, big, on);
    split_lines(s, big, on);  // the line is now too long
    split_lines(s, big + "\nok\n", on);
    split_lines(s, big, on);
    split_lines(s, big, on);
    finish_lines(s, on);  // a too-long last line without its newline
    EXPECT_EQ(got, (std::vector<std::string>{"ok"}));
    EXPECT_EQ(s.overlong_lines, 2);
}
