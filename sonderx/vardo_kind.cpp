#include "sonderx/vardo_kind.h"

#include <cstdio>

#include "format/json_writer.h"
#include "vardo/decoder.h"
#include "vardo/json_lines.h"

namespace sonde::sonderx {

namespace {

// Temperatures at or below this are no reading.
constexpr float kNoTemperatureBelow = -270.0f;

void write_json(LineBuf& line, const void* record) {
    vardo::report_json(line, *static_cast<const vardo::FrameRecord*>(record), false);
}

// The fields of the record's frame, as vardo's report decodes them.
void decode_fields(vardo::FrameRecord& r) {
    using namespace vardo;
    const FrameLayout& l = r.layout;
    Datum& d = r.datum;
    get_GPStime(d, r.bytes, l, l.type);
    get_GPSpos(d, r.bytes, l, l.type);
    if (l.type == 2) {
        get_GPSvel2(d, r.bytes, l);
        get_SN2(d, r.bytes, l);
    } else {
        get_GPSvel1(d, r.bytes, l);
        get_SN1(d, r.bytes, l);
    }
    r.frame_counter = r.bytes[l.pos_frame];
    if (kPosThermistor + 2 <= check_pos(l)) {
        r.temperature = get_Tntc0(r.bytes, kPosThermistor);
        r.has_temperature = r.temperature > kNoTemperatureBelow;
    }
}

void on_frame(VardoKind& k, const SoftFrame& f) {
    vardo::FrameRecord& r = k.record;
    r = vardo::soft_frame_record(k.frames, f);
    decode_fields(r);
    // The filter follows every frame; a good one becomes its fall-back.
    const bool jump = vardo::position_filter_jump(k.filter, r.datum.latitude, r.datum.longitude);
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
    rep.lat = d.latitude;
    rep.lon = d.longitude;
    rep.alt = d.altitude;
    rep.vel_h = d.speed_h;
    rep.heading = d.course;
    rep.vel_v = d.speed_v;
    rep.snr_db = r.quality.snr_db;
    rep.json = write_json;
    rep.record = &r;
    k.sink(rep);
}

}  // namespace

void vardo_kind_init(VardoKind& k, int64_t rate_hz) {
    vardo::receiver_init(k.rx, static_cast<double>(rate_hz));
    vardo::soft_frame_state_init(k.frames);
    k.filter = vardo::PositionFilter{};
}

void vardo_kind_feed(VardoKind& k, const float* x, int n, const ReportSink& sink) {
    k.sink = sink;
    auto take = [&k](const SoftFrame& f) { on_frame(k, f); };
    vardo::receiver_feed(k.rx, x, static_cast<std::size_t>(n), frame_sink(take));
}

}  // namespace sonde::sonderx
