#include "sonderx/vardo_kind.h"

#include <cstdio>

#include "format/json_writer.h"
#include "vardo/frame_fields.h"
#include "vardo/json_lines.h"

namespace sonde::sonderx {

namespace {

void write_json(LineBuf& line, const void* record) {
    vardo::report_json(line, *static_cast<const vardo::FrameRecord*>(record), {});
}

}  // namespace

void on_frame(VardoKind& k, const SoftFrame& f) {
    vardo::FrameRecord& r = k.record;
    r = vardo::soft_frame_record(k.frames, f);
    vardo::decode_frame_fields(r);
    // Only frames whose check passes move the filter: a failed frame's
    // position is noise, and as the first reference it would mark every
    // good frame after it a jump.
    const bool jump = r.check_ok && vardo::position_filter_jump(k.filter, r.datum.latitude, r.datum.longitude);
    r.ok = r.check_ok && !jump;
    if (r.ok) vardo::position_filter_confirm(k.filter);

    FrameReport rep;
    rep.kind = SondeKind::vardo;
    rep.verdict = r.ok ? FrameVerdict::good : FrameVerdict::bad;
    rep.why_bad = r.check_ok ? "position jump" : "check";
    rep.corrected = r.quality.corrected;
    const vardo::Datum& d = r.datum;
    if (is_calendar_time(d.year, d.month, d.day, d.hour, d.minute, d.second))
        std::snprintf(rep.when, sizeof rep.when, "%04d-%02d-%02dT%02d:%02d:%02dZ", d.year, d.month, d.day, d.hour,
                      d.minute, d.second);
    rep.serial = d.sonde_id;
    rep.frame = r.frame_counter;
    report_fix(rep, d.latitude, d.longitude, d.altitude, d.speed_h, d.course, d.speed_v);
    rep.snr_db = r.quality.snr_db;
    rep.json = write_json;
    rep.record = &r;
    reject_impossible_fix(rep);
    k.sink(rep);
}

void kind_reset(VardoKind& k) { k.filter = vardo::PositionFilter{}; }

}  // namespace sonde::sonderx
