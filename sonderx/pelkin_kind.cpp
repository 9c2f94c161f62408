#include "sonderx/pelkin_kind.h"

#include <cstdio>

#include "format/json_writer.h"
#include "pelkin/json_lines.h"

namespace sonde::sonderx {

namespace {

void write_json(LineBuf& line, const void* record) {
    pelkin::format_json_line(line, *static_cast<const pelkin::FrameRecord*>(record), false);
}

void on_frame(PelkinKind& k, const SoftFrame& f) {
    using namespace pelkin;
    FrameRecord& r = k.record;
    r = soft_frame_record(k.frames, f);
    if (r.written == 0) return;  // nothing but preamble: no frame
    Datum& d = r.datum;
    get_GPSpos(r.bytes, d);
    get_GPSvel(r.bytes, d);
    get_GPStime(r.bytes, d);
    get_GPSdate(r.bytes, d);
    get_GPSstatus(r.bytes, d);

    FrameReport rep;
    rep.kind = SondeKind::pelkin;
    const bool no_fix = d.lat_e6 + d.lon_e6 == 0;
    rep.verdict = !r.good ? FrameVerdict::bad : (no_fix ? FrameVerdict::no_position : FrameVerdict::good);
    rep.why_bad = "check";
    rep.corrected = r.quality.corrected;
    // DDMMYY and HHMM with milliseconds in the minute.
    const int day = d.date / 10000, month = d.date % 10000 / 100, year = d.date % 100;
    const int hour = d.time / 10000000, minute = d.time % 10000000 / 100000, ms = d.time % 100000;
    if (d.date >= 0 && d.time >= 0 && is_calendar_time(2000 + year, month, day, hour, minute, ms / 1000))
        std::snprintf(rep.when, sizeof rep.when, "20%02d-%02d-%02dT%02d:%02d:%02d.%03dZ", year, month, day, hour,
                      minute, ms / 1000, ms % 1000);
    rep.lat = d.lat_e6 / 1000000;
    rep.lon = d.lon_e6 / 1000000;
    rep.alt = d.alt_cm / 100;
    rep.vel_h = d.speed_h;
    rep.heading = d.course;
    rep.vel_v = d.speed_v;
    rep.sats = d.sats;
    rep.snr_db = r.quality.snr_db;
    rep.json = write_json;
    rep.record = &r;
    k.sink(rep);
}

}  // namespace

void pelkin_kind_init(PelkinKind& k, int64_t rate_hz) {
    pelkin::receiver_init(k.rx, static_cast<double>(rate_hz));
    pelkin::soft_frame_state_init(k.frames);
}

void pelkin_kind_feed(PelkinKind& k, const float* x, int n, const ReportSink& sink) {
    k.sink = sink;
    auto take = [&k](const SoftFrame& f) { on_frame(k, f); };
    pelkin::receiver_feed(k.rx, x, static_cast<std::size_t>(n), frame_sink(take));
}

}  // namespace sonde::sonderx
