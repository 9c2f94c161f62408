#include "sonderx/pelkin_kind.h"

#include <cstdio>

#include "format/json_writer.h"
#include "pelkin/json_lines.h"

namespace sonde::sonderx {

namespace {

void write_json(LineBuf& line, const void* record) {
    pelkin::format_json_line(line, *static_cast<const pelkin::FrameRecord*>(record), {});
}

}  // namespace

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
    report_fix(rep, d.lat_e6 / 1000000, d.lon_e6 / 1000000, d.alt_cm / 100, d.speed_h, d.course, d.speed_v);
    rep.sats = d.sats;
    rep.snr_db = r.quality.snr_db;
    rep.json = write_json;
    rep.record = &r;
    reject_impossible_fix(rep);
    k.sink(rep);
}

}  // namespace sonde::sonderx
