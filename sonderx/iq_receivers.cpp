#include "sonderx/iq_receivers.h"

#include <complex>
#include <cstring>

namespace sonde::sonderx {

namespace {

// The sonde a good frame came from, for the front end to tell a second
// copy of it (an image, a duplicate) from a new frame: a hash of what the
// frame says. Never 0 (0 is "unknown").
uint64_t frame_identity(const FrameReport& f) {
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](const void* p, std::size_t n) {
        const auto* b = static_cast<const unsigned char*>(p);
        for (std::size_t i = 0; i < n; i++) h = (h ^ b[i]) * 1099511628211ull;
    };
    const int kind = static_cast<int>(f.kind);
    mix(&kind, sizeof kind);
    mix(f.serial, std::strlen(f.serial));
    mix(&f.frame, sizeof f.frame);
    mix(f.when, std::strlen(f.when));
    mix(&f.lat, sizeof f.lat);
    mix(&f.lon, sizeof f.lon);
    mix(&f.alt, sizeof f.alt);
    mix(&f.packet_type, sizeof f.packet_type);
    return h == 0 ? 1 : h;
}

void take_channel_frame(void* ctx, const FrameReport& in) {
    const IqChannelLink& link = *static_cast<const IqChannelLink*>(ctx);
    IqReceivers& r = *link.owner;
    FrameReport f = in;
    // A frame whose check passed confirms the carrier; ostrel's packets
    // without position carry no check.
    const bool checked =
        f.verdict == FrameVerdict::good || (f.verdict == FrameVerdict::no_position && f.packet_type < 0);
    if (checked && !iq::front_end_frame(r.fe, link.channel, static_cast<iq::Kind>(f.kind), frame_identity(f))) {
        r.suppressed++;
        return;
    }
    const iq::ChannelMeasure m = iq::front_end_measure(r.fe, link.channel);
    f.from_iq = true;
    f.offset_hz = m.offset_hz;
    f.has_freq = r.cfg.center_hz > 0;
    f.freq_hz = static_cast<double>(r.cfg.center_hz) + m.offset_hz;
    f.level_dbfs = m.level_dbfs;
    carrier_frame(r.carriers, r.row[link.channel], f, checked);
    r.out(f);
}

// Whether kind k is read from the complex samples.
bool from_baseband(const IqReceivers& r, iq::Kind k) {
    return r.cfg.demod == Demod::best && (k == iq::Kind::pelkin || k == iq::Kind::vardo || k == iq::Kind::ostrel);
}

// The channel's receivers, started afresh when its slot has a new carrier.
IqChannelReceivers& channel_receivers(IqReceivers& r, int channel, uint32_t id) {
    IqChannelReceivers& c = r.channel[channel];
    if (c.id != id || !c.rx) {
        c.rx = std::make_unique<Receivers>();
        receivers_init(*c.rx, r.kinds, r.fe.cfg.profiles[0].audio_rate);
        c.pelkin.reset();
        c.vardo.reset();
        c.ostrel.reset();
        c.id = id;
        r.opened++;
    }
    return c;
}

void take_audio(void* ctx, const iq::AudioBlock& a) {
    IqReceivers& r = *static_cast<IqReceivers*>(ctx);
    if (a.channel < 0 || a.channel >= iq::kMaxChannels || from_baseband(r, a.kind)) return;
    IqChannelReceivers& c = channel_receivers(r, a.channel, a.id);
    const ReportSink sink{take_channel_frame, &r.link[a.channel]};
    receivers_feed_kind(*c.rx, static_cast<SondeKind>(a.kind), a.samples, a.count, sink);
}

// A kind's receiver from the complex samples, started on its first block.
template <class K>
K& started(std::unique_ptr<K>& k, double rate) {
    if (!k) {
        k = std::make_unique<K>();
        kind_init(*k, rate);
    }
    return *k;
}

void take_baseband(void* ctx, const iq::BasebandBlock& b) {
    IqReceivers& r = *static_cast<IqReceivers*>(ctx);
    if (b.channel < 0 || b.channel >= iq::kMaxChannels || !from_baseband(r, b.kind)) return;
    IqChannelReceivers& c = channel_receivers(r, b.channel, b.id);
    const ReportSink sink{take_channel_frame, &r.link[b.channel]};
    // Interleaved I and Q are std::complex<float>'s layout.
    const auto* samples = reinterpret_cast<const std::complex<float>*>(b.iq);
    switch (b.kind) {
        case iq::Kind::vardo:
            kind_feed(started(c.vardo, b.rate), samples, b.count, sink);
            break;
        case iq::Kind::ostrel:
            kind_feed(started(c.ostrel, b.rate), samples, b.count, sink);
            break;
        case iq::Kind::pelkin: {
            PelkinIqKind& k = started(c.pelkin, b.rate);
            receiver_tuned(k.rx, b.tuned_hz);
            kind_feed(k, samples, b.count, sink);
            break;
        }
    }
}

void take_event(void* ctx, const iq::ChannelEvent& e) {
    IqReceivers& r = *static_cast<IqReceivers*>(ctx);
    if (e.channel < 0 || e.channel >= iq::kMaxChannels) return;
    if (e.type == iq::EventType::opened) {
        r.row[e.channel] = carrier_open(r.carriers, e.offset_hz);
    } else if (e.type == iq::EventType::closed) {
        carrier_close(r.carriers, r.row[e.channel]);
        r.row[e.channel] = -1;
    }
}

}  // namespace

bool iq_receivers_init(IqReceivers& r, const IqConfig& cfg, const ReportSink& out) {
    r.cfg = cfg;
    r.out = out;
    iq::FrontEndConfig fc;
    fc.rate = static_cast<double>(cfg.rate_hz);
    fc.kinds = 0;
    for (int k = 0; k < kSondeKinds; k++)
        if (cfg.kinds[k]) fc.kinds |= 1u << k;
    fc.forced_hz = cfg.offsets_hz;
    fc.search = cfg.offsets_hz.empty();
    for (int k = 0; k < iq::kKinds; k++) fc.profiles[k].audio = !from_baseband(r, static_cast<iq::Kind>(k));
    // Every kind's audio comes at the one rate.
    r.kinds = plan_kinds(cfg.kinds, fc.profiles[0].audio_rate);
    for (int i = 0; i < iq::kMaxChannels; i++) {
        r.link[i] = IqChannelLink{&r, i};
        r.channel[i] = IqChannelReceivers{};
        r.row[i] = -1;
    }
    r.carriers.count = 0;
    r.carriers.unlisted = 0;
    r.suppressed = r.opened = 0;
    iq::FrontEndSink sink;
    sink.ctx = &r;
    sink.audio = take_audio;
    sink.baseband = take_baseband;
    sink.event = take_event;
    return iq::front_end_init(r.fe, fc, sink);
}

void iq_receivers_feed(IqReceivers& r, const float* iq, std::size_t n) { iq::front_end_feed(r.fe, iq, n); }

void iq_receivers_flush(IqReceivers& r) { iq::front_end_flush(r.fe); }

}  // namespace sonde::sonderx
