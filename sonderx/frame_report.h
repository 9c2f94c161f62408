// One frame as sonderx reports it, whatever its kind: the values of the
// common columns, whether the frame is good, and the way to the kind's own
// JSON line. Filled by the kind's glue from its frame layer's record, valid
// during the sink's call.
#pragma once

#include "io/line_out.h"
#include "receiver/soft_frame.h"

namespace sonde::sonderx {

enum class FrameVerdict {
    good,         // check passes (after correction); vardo: its position filter too
    bad,          // check fails, vardo's position jumped, or the fix is impossible
    no_position,  // a packet without position (ostrel's other packets, pelkin frames without a fix)
};

struct FrameReport {
    SondeKind kind = SondeKind::vardo;
    FrameVerdict verdict = FrameVerdict::bad;
    const char* why_bad = "";  // "check", "position jump", "impossible fix"
    int corrected = 0;         // bits the check-guided correction flipped
    char when[48] = {};        // ISO 8601 date and time, or time of day; "" when not sent or not valid
    const char* serial = "";   // "" where the kind sends none
    int frame = -1;            // frame counter, -1 where the kind sends none
    double lat = 0.0, lon = 0.0, alt = 0.0;
    double vel_h = 0.0, heading = 0.0, vel_v = 0.0;
    bool has_position = true;  // false: no latitude, longitude or altitude to show
    bool has_velocity = true;
    int sats = -1;  // -1 where unknown
    double snr_db = 0.0;
    int packet_type = -1;  // no_position packets: the type byte
    // From I/Q samples: the carrier's channel as the front end measures it.
    bool from_iq = false;
    double offset_hz = 0.0;  // from the capture's centre
    double freq_hz = 0.0;    // with the centre given (has_freq)
    bool has_freq = false;
    double level_dbfs = 0.0;  // the carrier's level, dB full scale
    // The kind's JSON line for this frame, with its line end.
    void (*json)(LineBuf& line, const void* record) = nullptr;
    const void* record = nullptr;
};

// Position and motion, as every kind with velocities fills them.
inline void report_fix(FrameReport& r, double lat, double lon, double alt, double vel_h, double heading, double vel_v) {
    r.lat = lat;
    r.lon = lon;
    r.alt = alt;
    r.vel_h = vel_h;
    r.heading = heading;
    r.vel_v = vel_v;
}

// A frame whose check passed but whose fix no balloon can have (off the
// globe, above 60 km, faster than 300 m/s) passed its check by chance: on
// another kind's signal the check-guided correction now and then makes a
// 16-bit check pass on junk. It is bad, and confirms nothing.
inline void reject_impossible_fix(FrameReport& r) {
    if (r.verdict != FrameVerdict::good || !r.has_position) return;
    const bool off_globe = !(r.lat >= -90.0 && r.lat <= 90.0 && r.lon >= -180.0 && r.lon <= 180.0);
    const bool too_high = !(r.alt >= -1000.0 && r.alt <= 60000.0);
    const bool too_fast = r.has_velocity && !(r.vel_h <= 300.0 && r.vel_v >= -300.0 && r.vel_v <= 300.0);
    if (off_globe || too_high || too_fast) {
        r.verdict = FrameVerdict::bad;
        r.why_bad = "impossible fix";
    }
}

struct ReportSink {
    void (*take)(void* ctx, const FrameReport& r) = nullptr;
    void* ctx = nullptr;
    void operator()(const FrameReport& r) const { take(ctx, r); }
};

}  // namespace sonde::sonderx
