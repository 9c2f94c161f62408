#include "sonderx/vardo_kind.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "format/json_writer.h"
#include "iq/fir_design.h"
#include "iq/kind_branch.h"
#include "vardo/decoder.h"
#include "vardo/frame_fields.h"
#include "vardo/json_lines.h"

namespace sonde::sonderx {

namespace {

void write_json(LineBuf& line, const void* record) {
    vardo::report_json(line, *static_cast<const vardo::FrameRecord*>(record), {});
}

constexpr int kIqChunk = 1024;  // complex samples per discriminator call
// The audio's sync word found at a lower correlation than the audio path
// asks (0.8): a frame whose audio is poor is often read well coherently.
// 0.12, 0.11 and 0.28 dB gained on three noise sets; no good frame in 14
// hours of noise.
constexpr float kIqSyncThreshold = 0.75f;
// The audio (frame finding) from the samples through a narrower low-pass
// than the channel's (its -6 dB edge at 6 kHz, not 7.2): fewer clicks near
// threshold; 0.14, 0.13 and 0.06 dB gained on three noise sets. The coherent
// read keeps the channel's samples: through the same low-pass it lost.
constexpr double kIqAudioCutHz = 6000.0;
constexpr double kIqAudioTransitionHz = 4000.0;

// The frame layer's record of a soft frame, checked against the position
// filter and reported.
template <class K>
void report_frame(K& k, const SoftFrame& f) {
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

// The receiver's frame read again from the held samples, then handed on.
void reread(VardoIqReceiver& r, const SoftFrame& f, const FrameSink& out) {
    const double a0 = r.rx.frame.start, a1 = r.rx.loop.next;  // the frame's ends, in audio samples
    signed char known[64];
    for (int i = 0; i < r.sync_bits; i++) known[i] = static_cast<signed char>(r.rx.pol * r.sync[i]);
    iq::BiphaseFrame bf;
    bf.start = r.audio_at + a0 * r.per_audio;
    bf.period = (a1 - a0) * r.per_audio / (2.0 * f.count);
    bf.known = known;
    bf.known_bits = r.sync_bits;
    bf.symbols = f.count;
    bf.up = r.rx.pol;
    const auto size = static_cast<int64_t>(r.ring.size());
    const iq::SampleRing ring{r.ring.data(), size - 1, std::max<int64_t>(0, r.written - size), r.written};
    if (f.count > vardo::kRobustMaxSymbols || !iq::coherent_biphase_read(r.reader, ring, bf, f.hard, r.soft)) {
        out(f);
        return;
    }
    r.reread++;
    for (int k = 0; k < f.count; k++) {
        r.hard[k] = r.soft[k] > 0.0f ? 1 : 0;
        r.raw[2 * k] = r.hard[k] ? '1' : '0';
        r.raw[2 * k + 1] = r.hard[k] ? '0' : '1';
    }
    r.raw[2 * f.count] = '\0';
    SoftFrame g = f;
    g.soft = r.soft;
    g.hard = r.hard;
    g.raw = r.raw;
    out(g);
}

}  // namespace

void on_frame(VardoKind& k, const SoftFrame& f) { report_frame(k, f); }

void on_frame(VardoIqKind& k, const SoftFrame& f) { report_frame(k, f); }

void kind_reset(VardoKind& k) { k.filter = vardo::PositionFilter{}; }

void kind_reset(VardoIqKind& k) { k.filter = vardo::PositionFilter{}; }

bool receiver_init(VardoIqReceiver& r, double rate) {
    const iq::KindProfile& p = iq::kind_profile(iq::Kind::vardo);
    r.usable = false;
    r.written = 0;
    r.reread = 0;
    if (!(rate >= 8000.0) || !(rate <= 1e6)) return false;
    if (!iq::post_detection_init(r.audio_rs, p, rate, kIqChunk)) return false;
    r.scale = iq::discriminator_scale(p, rate);
    r.base.assign(2 * static_cast<std::size_t>(kIqChunk), 0.0f);
    r.disc.assign(kIqChunk, 0.0f);
    r.audio.assign(static_cast<std::size_t>(iq::resampler_max_out(r.audio_rs, kIqChunk)), 0.0f);
    r.per_audio = rate / p.audio_rate;
    const int taps = iq::kaiser_taps(kIqAudioTransitionHz, rate, 60.0) | 1;
    iq::fir_init(r.narrow, iq::kaiser_lowpass(taps, kIqAudioCutHz, rate, 60.0), 1, kIqChunk);
    r.narrowed.assign(2 * static_cast<std::size_t>(kIqChunk + 3), 0.0f);
    r.sync_bits = static_cast<int>(std::min<std::size_t>(std::strlen(vardo::kVardoSyncWord), sizeof r.sync));
    for (int i = 0; i < r.sync_bits; i++) r.sync[i] = vardo::kVardoSyncWord[i] == '1' ? 1 : -1;
    const int max_bits = r.sync_bits + 2 * vardo::kRobustMaxSymbols;
    // A whole frame, its sync word and the audio's lag behind the samples.
    const double need = (max_bits + 64) * rate / p.bit_rate + taps + r.audio_rs.taps + 2 * kIqChunk;
    std::size_t size = 1024;
    while (static_cast<double>(size) < need) size *= 2;
    r.ring.assign(size, {});
    iq::coherent_biphase_init(r.reader, iq::BiphaseConfig{}, max_bits);
    vardo::RobustTuning tune;
    tune.sync_threshold = kIqSyncThreshold;
    r.usable = vardo::receiver_init(r.rx, p.audio_rate, tune);
    // Audio sample i stands for the samples around i * per_audio - taps / 2
    // (the resampler's start), half a sample earlier for the discriminator's
    // difference and the narrower low-pass's delay earlier; the receiver's
    // positions are later by its low-pass's delay at low frequencies,
    // (1 - g) / g, and half an audio sample (a sample stands for the span
    // after it). Left over on the bench's frames: 0.007
    // channel bit; the start search takes up the timing loop's error.
    const double lowpass = (1.0 - r.rx.lp_gain) / r.rx.lp_gain + 0.5;
    r.audio_at = -0.5 * r.audio_rs.taps - 0.5 - r.narrow.delay - lowpass * r.per_audio;
    return r.usable;
}

void receiver_feed(VardoIqReceiver& r, const std::complex<float>* x, std::size_t n, const sonde::FrameSink& sink) {
    if (!r.usable) return;
    struct Out {
        VardoIqReceiver* r;
        const FrameSink* sink;
    } out{&r, &sink};
    const FrameSink inner{[](void* ctx, const SoftFrame& f) {
                              auto* o = static_cast<Out*>(ctx);
                              reread(*o->r, f, *o->sink);
                          },
                          &out};
    const std::size_t mask = r.ring.size() - 1;
    float* z = r.base.data();
    while (n > 0) {
        const int m = static_cast<int>(std::min<std::size_t>(n, kIqChunk));
        for (int j = 0; j < m; j++) {
            // Bad samples count as none, as the audio receivers take them.
            const float re = std::isfinite(x[j].real()) ? x[j].real() : 0.0f;
            const float im = std::isfinite(x[j].imag()) ? x[j].imag() : 0.0f;
            z[2 * j] = re;
            z[2 * j + 1] = im;
            r.ring[static_cast<std::size_t>(r.written) & mask] = {re, im};
            r.written++;
        }
        // The narrowed chunk has its previous sample in front, as the
        // discriminator reads.
        float* heard = r.narrowed.data() + 2;
        const int ah = iq::fir_run(r.narrow, z, m, heard);
        const int a = iq::fm_audio(r.audio_rs, heard, ah, r.scale, r.disc.data(), r.audio.data());
        if (ah > 0) {
            r.narrowed[0] = heard[2 * (ah - 1)];
            r.narrowed[1] = heard[2 * (ah - 1) + 1];
        }
        vardo::receiver_feed(r.rx, r.audio.data(), static_cast<std::size_t>(a), inner);
        x += m;
        n -= static_cast<std::size_t>(m);
    }
}

}  // namespace sonde::sonderx
