#include "wideband_match.h"

#include <cmath>
#include <cstdio>
#include <unordered_map>
#include <unordered_set>

#include "sondetrack/json_reader.h"

namespace sens {

namespace {

// A frame's content as the receiver reads it: kind, serial, time, position.
// Every synthesized frame differs from the last in time or position.
std::string content_key(const sondetrack::LineFix& f) {
    char pos[96];
    std::snprintf(pos, sizeof pos, "|%.6f|%.6f|%.2f|", f.fix.lat, f.fix.lon, f.fix.alt);
    return f.decoder + "|" + (f.has_serial ? f.track : "") + pos + f.fix.time + "|" + f.clock;
}

template <typename F>
void for_each_fix(std::string_view text, F&& f) {
    while (!text.empty()) {
        const std::size_t e = text.find('\n');
        const sondetrack::LineFix l = sondetrack::read_json_line(text.substr(0, e));
        f(l);
        if (e == std::string_view::npos) break;
        text.remove_prefix(e + 1);
    }
}

struct SondeFrames {
    std::unordered_set<std::string> serials;
    std::unordered_map<std::string, bool> seen;  // content key -> decoded already
};

}  // namespace

WidebandTally tally_wideband(const std::vector<WidebandSonde>& sondes, std::string_view output) {
    constexpr double kCarrierHz = 5000.0;
    WidebandTally t;
    t.sondes.resize(sondes.size());
    std::vector<SondeFrames> frames(sondes.size());
    for (std::size_t i = 0; i < sondes.size(); i++)
        for_each_fix(sondes[i].reference, [&](const sondetrack::LineFix& l) {
            if (l.kind != sondetrack::LineKind::fix || l.decoder != sondes[i].kind) return;
            if (frames[i].seen.emplace(content_key(l), false).second) t.sondes[i].sent++;
            if (l.has_serial) frames[i].serials.insert(l.track);
        });
    for_each_fix(output, [&](const sondetrack::LineFix& l) {
        if (l.kind == sondetrack::LineKind::blank) return;
        if (l.kind != sondetrack::LineKind::fix) {
            t.other++;
            return;
        }
        const std::string key = content_key(l);
        for (std::size_t i = 0; i < sondes.size(); i++) {
            if (l.decoder != sondes[i].kind) continue;
            const bool mine = l.has_serial ? frames[i].serials.count(l.track) > 0
                                           : l.carrier == sondetrack::CarrierKey::offset &&
                                                 std::fabs(l.carrier_hz - sondes[i].offset_hz) <= kCarrierHz;
            if (!mine) continue;
            const auto it = frames[i].seen.find(key);
            if (it == frames[i].seen.end()) continue;
            (it->second ? t.sondes[i].repeats : t.sondes[i].decoded)++;
            it->second = true;
            return;
        }
        t.false_good++;
    });
    return t;
}

}  // namespace sens
