// Sorts good fixes into one track per sonde and leaves out position jumps.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sondetrack/json_reader.h"
#include "sondetrack/track.h"

namespace sondetrack {

// Day bookkeeping for frames that carry a time of day only: the day
// advances when the clock falls back by more than twelve hours (midnight).
struct ClockDay {
    std::string date;  // YYYY-MM-DD of the latest point, empty without --date
    int last_second = -1;
};

struct Tracker {
    TrackSet set;
    std::string start_date;                              // --date: the day of the first clock-only frame
    std::unordered_map<std::string, std::size_t> index;  // track name -> set.tracks
    std::vector<ClockDay> days;                          // one per track
    long bad_lines = 0;
    long jumps = 0;
};

// Reads one input line; true when it added a point to a track.
bool tracker_line(Tracker& t, std::string_view line);
// Adds the fix of a line read as LineKind::fix; true when it was kept.
bool tracker_add(Tracker& t, const LineFix& f);

// A move of 3 degrees or more in latitude or longitude (the whole degrees
// of the difference, truncated toward zero, above 2).
bool position_jump(const Fix& previous, const Fix& now);
// The calendar day after a valid YYYY-MM-DD date.
std::string next_day(std::string_view date);

}  // namespace sondetrack
