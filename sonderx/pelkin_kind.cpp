#include "sonderx/pelkin_kind.h"

#include <algorithm>
#include <cstdio>

#include "format/json_writer.h"
#include "pelkin/json_lines.h"

namespace sonde::sonderx {

namespace {

constexpr int kIqChunk = 1024;  // complex samples per detector call
constexpr double kIqSoftRate = 48000.0;
// Far beyond any sample: no limiting.
constexpr double kNoClickLimit = 1e12;

void write_json(LineBuf& line, const void* record) {
    pelkin::format_json_line(line, *static_cast<const pelkin::FrameRecord*>(record), {});
}

// The frame layer's record of a soft frame, reported.
template <class K>
void report_frame(K& k, const SoftFrame& f) {
    using namespace pelkin;
    FrameRecord& r = k.record;
    r = soft_frame_record(k.frames, f);
    if (r.written == 0) return;  // nothing but preamble: no frame
    Datum& d = r.datum;
    get_fields(r.bytes, d);

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

}  // namespace

void on_frame(PelkinKind& k, const SoftFrame& f) { report_frame(k, f); }

void on_frame(PelkinIqKind& k, const SoftFrame& f) { report_frame(k, f); }

bool receiver_init(PelkinIqReceiver& r, double rate) {
    iq::CoherentFskConfig c;
    c.out_rate = kIqSoftRate;
    if (!iq::coherent_fsk_init(r.detector, c, rate, kIqChunk)) return false;
    r.soft.assign(static_cast<std::size_t>(iq::coherent_fsk_max_out(r.detector, kIqChunk)), 0.0f);
    pelkin::RobustConfig rc;
    // The coherent stream has no de-emphasis and no clicks: its samples
    // stray by noise alone, which a limit would only cut.
    rc.try_deemphasis = false;
    rc.click_limit = kNoClickLimit;
    return pelkin::receiver_init(r.rx, kIqSoftRate, rc);
}

void receiver_tuned(PelkinIqReceiver& r, double tuned_hz) { iq::coherent_fsk_tuned(r.detector, tuned_hz); }

void receiver_feed(PelkinIqReceiver& r, const std::complex<float>* x, std::size_t n, const sonde::FrameSink& sink) {
    if (r.soft.empty()) return;
    // std::complex<float> is two floats, real first.
    const float* iq = reinterpret_cast<const float*>(x);
    while (n > 0) {
        const int m = static_cast<int>(std::min<std::size_t>(n, kIqChunk));
        const int out = iq::coherent_fsk_run(r.detector, iq, m, r.soft.data());
        pelkin::receiver_feed(r.rx, r.soft.data(), static_cast<std::size_t>(out), sink);
        iq += 2 * m;
        n -= static_cast<std::size_t>(m);
    }
}

}  // namespace sonde::sonderx
