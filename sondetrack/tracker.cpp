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

}  // namespace

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

bool tracker_add(Tracker& t, const LineFix& f) {
    auto [it, created] = t.index.try_emplace(f.track, t.set.tracks.size());
    if (created) {
        t.set.tracks.push_back(Track{f.track, {}});
        t.days.push_back(ClockDay{t.start_date, -1});
    }
    Track& track = t.set.tracks[it->second];
    if (!track.points.empty() && position_jump(track.points.back(), f.fix)) {
        t.jumps++;
        return false;
    }
    Fix fix = f.fix;
    ClockDay& day = t.days[it->second];
    if (fix.time.empty() && !f.clock.empty() && !day.date.empty()) {
        const int s = clock_seconds(f.clock);
        if (day.last_second >= 0 && s + 12 * 3600 < day.last_second) day.date = next_day(day.date);
        day.last_second = s;
        fix.time = day.date + "T" + f.clock + "Z";
    }
    track.points.push_back(std::move(fix));
    return true;
}

bool tracker_line(Tracker& t, std::string_view line) {
    const LineFix f = read_json_line(line);
    if (f.kind == LineKind::bad) t.bad_lines++;
    if (f.kind != LineKind::fix) return false;
    return tracker_add(t, f);
}

}  // namespace sondetrack
