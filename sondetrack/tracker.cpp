#include "sondetrack/tracker.h"

#include <cmath>
#include <cstdio>

#include "format/json_writer.h"

namespace sondetrack {

namespace {

bool jumped(double now, double previous) { return std::fabs(std::trunc(now - previous)) > 2.0; }

int clock_seconds(const std::string& hhmmss) {
    return ((hhmmss[0] - '0') * 10 + (hhmmss[1] - '0')) * 3600 + ((hhmmss[3] - '0') * 10 + (hhmmss[4] - '0')) * 60 +
           (hhmmss[6] - '0') * 10 + (hhmmss[7] - '0');
}

std::string key(char what, const std::string& decoder, std::string_view rest) {
    return what + std::to_string(decoder.size()) + ':' + decoder + std::string(rest);
}

std::size_t new_track(Tracker& t, std::string name, const std::string& decoder, CarrierKey carrier, double hz) {
    t.set.tracks.push_back(Track{std::move(name), {}});
    t.states.push_back(TrackState{ClockDay{t.start_date, -1}, decoder, carrier, hz});
    return t.set.tracks.size() - 1;
}

}  // namespace

std::string carrier_track_name(const std::string& kind, CarrierKey carrier, double hz) {
    char buf[400];  // the widest fixed form of a double has 309 integer digits
    if (carrier == CarrierKey::frequency)
        std::snprintf(buf, sizeof buf, " %.3f MHz", hz / 1e6);
    else
        std::snprintf(buf, sizeof buf, " %+.1f kHz", hz / 1e3);
    return kind + buf;
}

std::size_t track_for(Tracker& t, const LineFix& f, std::string_view input) {
    if (f.carrier != CarrierKey::none && !f.has_serial) {
        // The nearest carrier of the kind, the first of equals.
        const std::size_t none = t.states.size();
        std::size_t best = none;
        double best_hz = kCarrierTolerance_hz;
        for (std::size_t i = 0; i < t.states.size(); i++) {
            const TrackState& s = t.states[i];
            const double d = std::fabs(f.carrier_hz - s.carrier_hz);
            if (s.carrier == f.carrier && s.decoder == f.decoder && (best == none ? d <= best_hz : d < best_hz)) {
                best = i;
                best_hz = d;
            }
        }
        if (best == none)
            best =
                new_track(t, carrier_track_name(f.track, f.carrier, f.carrier_hz), f.decoder, f.carrier, f.carrier_hz);
        t.states[best].carrier_hz = f.carrier_hz;
        return best;
    }
    const std::string k = f.has_serial ? key('s', f.decoder, f.track) : key('i', f.decoder, input);
    if (auto it = t.index.find(k); it != t.index.end()) return it->second;
    std::string name = f.track;
    if (!f.has_serial && t.name_inputs) name += " (" + std::string(input) + ")";
    const std::size_t i = new_track(t, std::move(name), f.decoder, CarrierKey::none, 0.0);
    t.index.emplace(k, i);
    return i;
}

bool position_jump(const Fix& previous, const Fix& now) {
    return jumped(now.lat, previous.lat) || jumped(now.lon, previous.lon);
}

std::string next_day(std::string_view date) {
    int y = std::stoi(std::string(date.substr(0, 4)));
    int m = std::stoi(std::string(date.substr(5, 2)));
    int d = std::stoi(std::string(date.substr(8, 2)));
    if (!sonde::is_calendar_time(y, m, ++d, 0, 0, 0)) {
        d = 1;
        if (++m > 12) {
            m = 1;
            y++;
        }
    }
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y % 10000, m, d);
    return buf;
}

bool tracker_add(Tracker& t, const LineFix& f, std::string_view input) {
    const std::size_t i = track_for(t, f, input);
    Track& track = t.set.tracks[i];
    if (!track.points.empty() && position_jump(track.points.back(), f.fix)) {
        t.jumps++;
        return false;
    }
    Fix fix = f.fix;
    ClockDay& day = t.states[i].day;
    if (fix.time.empty() && !f.clock.empty() && !day.date.empty()) {
        const int s = clock_seconds(f.clock);
        if (day.last_second >= 0 && s + 12 * 3600 < day.last_second) day.date = next_day(day.date);
        day.last_second = s;
        fix.time = day.date + "T" + f.clock + "Z";
    }
    track.points.push_back(std::move(fix));
    return true;
}

bool tracker_line(Tracker& t, std::string_view line, std::string_view input) {
    const LineFix f = read_json_line(line);
    if (f.kind == LineKind::bad) t.bad_lines++;
    if (f.kind != LineKind::fix) return false;
    return tracker_add(t, f, input);
}

}  // namespace sondetrack
