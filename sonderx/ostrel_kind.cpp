#include "sonderx/ostrel_kind.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstdio>

#include "format/json_writer.h"
#include "ostrel/json_lines.h"

namespace sonde::sonderx {

namespace {

void write_json(LineBuf& line, const void* record) {
    const auto& r = *static_cast<const ostrel::PacketRecord*>(record);
    if (r.is_gps) {
        ostrel::format_json_line(line, r, {});
        return;
    }
    // A packet without position carries no check: ok is false.
    JsonLine j(line);
    json_string(j, "decoder", "ostrel");
    json_bool(j, "ok", false);
    json_int(j, "packet_type", r.packet_type);
    json_bytes(j, "raw", r.bytes, r.count);
    if (r.quality.present) json_double(j, "snr_db", r.quality.snr_db);
    json_end(j);
}

// The float's shortest decimal form as a double: 48.1f shows as 48.100000,
// not 48.099998.
double as_sent(float v) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text - 1, v).ptr;
    *end = '\0';
    return std::strtod(text, nullptr);
}

// The frame layer's record of a soft frame, reported.
template <class K>
void report_frame(K& k, const SoftFrame& f) {
    using namespace ostrel;
    PacketRecord& r = k.record;
    r = soft_frame_record(k.frames, f);

    FrameReport rep;
    rep.kind = SondeKind::ostrel;
    rep.snr_db = r.quality.snr_db;
    rep.json = write_json;
    rep.record = &r;
    rep.has_velocity = false;
    if (!r.is_gps) {
        rep.verdict = FrameVerdict::no_position;
        rep.has_position = false;
        rep.packet_type = r.packet_type;
        k.sink(rep);
        return;
    }
    const GpsRecord& g = r.gps;
    rep.verdict = g.good ? FrameVerdict::good : FrameVerdict::bad;
    rep.why_bad = "check";
    rep.corrected = r.quality.corrected;
    if (is_calendar_time(2000, 1, 1, g.hour, g.minute, g.second))
        std::snprintf(rep.when, sizeof rep.when, "%02d:%02d:%02dZ", g.hour, g.minute, g.second);
    rep.lat = as_sent(g.lat);
    rep.lon = as_sent(g.lon);
    rep.alt = g.alt;
    reject_impossible_fix(rep);
    k.sink(rep);
}

}  // namespace

void on_frame(OstrelKind& k, const SoftFrame& f) { report_frame(k, f); }

void on_frame(OstrelIqKind& k, const SoftFrame& f) { report_frame(k, f); }

ostrel::ToneLevelsAt tone_levels_at(const OstrelIqTones& t, double at) {
    const iq::AfskLevels l = iq::afsk_levels_at(t.det, at);
    return {l.tone[0], l.tone[1]};
}

bool receiver_init(OstrelIqReceiver& r, double rate) {
    r.corr.det = iq::AfskEnvelope{};
    if (!iq::afsk_envelope_init(r.corr.det, iq::AfskEnvelopeConfig{}, rate)) return false;
    r.corr.bit_samples = r.corr.det.bit_samples;
    // The first point whose window lies wholly inside the input.
    ostrel::robust_core_reset(r, r.corr.det.window);
    return true;
}

void receiver_feed(OstrelIqReceiver& r, const std::complex<float>* x, std::size_t n, const sonde::FrameSink& sink) {
    if (r.corr.det.terms == 0) return;
    // std::complex<float> is two floats, real first.
    const float* iq = reinterpret_cast<const float*>(x);
    for (std::size_t i = 0; i < n; i++) {
        iq::afsk_envelope_add(r.corr.det, iq + 2 * i, 1);
        ostrel::robust_core_step(r, static_cast<double>(r.corr.det.taken - 1), 1, sink);
    }
}

}  // namespace sonde::sonderx
