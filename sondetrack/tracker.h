// Sorts good fixes into one track per sonde and leaves out position jumps.
//
// A sonde is told apart by its kind ("decoder") and serial ("id") where the
// line has one. Kinds without a serial are told apart by their carrier: a
// line with "freq_hz" (else "offset_hz") joins the track of its kind whose
// carrier was last seen nearest to it, within kCarrierTolerance_hz, so a
// carrier that drifts slowly keeps its track. Lines with neither make one
// track per kind and input.
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

// Carriers of one kind closer than this are taken for one sonde; a sonde's
// carrier drifts far less than this between two frames.
constexpr double kCarrierTolerance_hz = 5000.0;

// What a track is known by, besides its name; one per track.
struct TrackState {
    ClockDay day;
    std::string decoder;
    CarrierKey carrier = CarrierKey::none;
    double carrier_hz = 0.0;  // the latest line's carrier
};

struct Tracker {
    TrackSet set;
    std::string start_date;                              // --date: the day of the first clock-only frame
    bool name_inputs = false;                            // several inputs: tracks without serial or carrier name theirs
    std::unordered_map<std::string, std::size_t> index;  // kind and serial, or kind and input -> set.tracks
    std::vector<TrackState> states;                      // one per track
    long bad_lines = 0;
    long jumps = 0;
};

// Reads one line of the named input; true when it added a point to a track.
bool tracker_line(Tracker& t, std::string_view line, std::string_view input = "standard input");
// Adds the fix of a line read as LineKind::fix; true when it was kept.
bool tracker_add(Tracker& t, const LineFix& f, std::string_view input = "standard input");

// The track a fix belongs to, made when it has none yet.
std::size_t track_for(Tracker& t, const LineFix& f, std::string_view input);
// A carrier track's name: "pelkin 403.000 MHz", "ostrel +25.0 kHz".
std::string carrier_track_name(const std::string& kind, CarrierKey carrier, double hz);

// A move of 3 degrees or more in latitude or longitude (the whole degrees
// of the difference, truncated toward zero, above 2).
bool position_jump(const Fix& previous, const Fix& now);
// The calendar day after a valid YYYY-MM-DD date.
std::string next_day(std::string_view date);

}  // namespace sondetrack
