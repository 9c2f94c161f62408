#include "iq/iq_front_end.h"

#include <algorithm>
#include <cmath>

namespace sonde::iq {

namespace {

void emit(IqFrontEnd& fe, EventType type, int ch, uint64_t sample) {
    if (!fe.sink.event) return;
    const ChannelSlot& s = fe.table.slot[ch];
    ChannelEvent e;
    e.type = type;
    e.channel = ch;
    e.id = s.id;
    e.sample = sample;
    e.offset_hz = s.offset_hz;
    e.kind = s.kind;
    fe.sink.event(fe.sink.ctx, e);
}

void open_channel(IqFrontEnd& fe, int i, double offset_hz, bool forced, uint64_t now) {
    table_open(fe.table, i, offset_hz, fe.cfg.kinds, forced, now);
    Channel& c = fe.channels[i];
    channel_start(c, fe.plan, &fe.chz, offset_hz, fe.cfg.kinds);
    emit(fe, EventType::opened, i, now);
}

// The DC offset: each block's mean, smoothed over dc_time_s, taken out.
void remove_dc(IqFrontEnd& fe, float* x, int n) {
    double sr = 0.0, si = 0.0;
    for (int j = 0; j < n; j++) {
        sr += x[2 * j];
        si += x[2 * j + 1];
    }
    sr /= n;
    si /= n;
    if (!fe.dc_set) {
        fe.dc_re = sr;
        fe.dc_im = si;
        fe.dc_set = true;
    } else {
        const double a = std::min(1.0, n / (fe.cfg.dc_time_s * fe.cfg.rate));
        fe.dc_re += a * (sr - fe.dc_re);
        fe.dc_im += a * (si - fe.dc_im);
    }
    const float dr = static_cast<float>(fe.dc_re), di = static_cast<float>(fe.dc_im);
    for (int j = 0; j < n; j++) {
        x[2 * j] -= dr;
        x[2 * j + 1] -= di;
    }
}

void search(IqFrontEnd& fe, uint64_t now) {
    finder_search(fe.finder, fe.spectrum);
    for (int k = 0; k < fe.finder.count; k++) {
        const FoundCarrier& f = fe.finder.found[k];
        if (f.narrow || f.image) continue;
        const int i = table_place(fe.table, f.offset_hz, now);
        if (i >= 0) open_channel(fe, i, f.offset_hz, false, now);
    }
}

void process_block(IqFrontEnd& fe, int n) {
    float* x = fe.block.data();
    const uint64_t now = fe.next_sample;
    remove_dc(fe, x, n);
    if (spectrum_add(fe.spectrum, x, n)) {
        if (fe.cfg.search)
            search(fe, now);
        else
            finder_search(fe.finder, fe.spectrum);
        for (int i = 0; i < kMaxChannels; i++)
            fe.channels[i].noise_per_hz = finder_noise_at(fe.finder, fe.spectrum, fe.channels[i].offset_hz);
    }
    if (fe.plan.mode == SourceMode::channelizer) channelizer_run(fe.chz, x, n);

    // Strongest first, so that a sonde's frame comes before its image's.
    int live = 0;
    for (int i = 0; i < kMaxChannels; i++)
        if (fe.table.slot[i].state != ChannelState::closed) fe.order[live++] = i;
    std::stable_sort(fe.order, fe.order + live,
                     [&](int a, int b) { return fe.table.slot[a].level_dbfs > fe.table.slot[b].level_dbfs; });
    for (int o = 0; o < live; o++) {
        const int i = fe.order[o];
        Channel& c = fe.channels[i];
        ChannelSlot& s = fe.table.slot[i];
        c.kinds = s.kinds;
        const double tuned_hz = c.lo_hz;  // the AFC may retune for the next block
        channel_run(c, fe.plan, x, n, &fe.chz);
        const ChannelMeasure m = channel_measure(c);
        s.offset_hz = m.offset_hz;
        s.level_dbfs = m.level_dbfs;
        for (int k = 0; k < kKinds; k++) {
            if (!(c.kinds & (1u << k))) continue;
            const KindBranch& b = c.branch[k];
            if (fe.sink.baseband && b.base_count > 0) {
                BasebandBlock bb;
                bb.channel = i;
                bb.id = s.id;
                bb.kind = static_cast<Kind>(k);
                bb.iq = b.base.data() + 2;
                bb.count = b.base_count;
                bb.rate = b.base_rate;
                bb.tuned_hz = tuned_hz;
                fe.sink.baseband(fe.sink.ctx, bb);
            }
            if (fe.sink.audio && b.audio_count > 0) {
                AudioBlock a;
                a.channel = i;
                a.id = s.id;
                a.kind = static_cast<Kind>(k);
                a.samples = b.audio.data();
                a.count = b.audio_count;
                a.rate = b.profile.audio_rate;
                const double t = static_cast<double>(b.audio_samples - static_cast<uint64_t>(b.audio_count)) *
                                     fe.cfg.rate / b.profile.audio_rate -
                                 fe.delay_samples[k];
                a.first_sample = s.opened + static_cast<uint64_t>(std::max(0.0, t));
                fe.sink.audio(fe.sink.ctx, a);
            }
        }
    }
    const uint64_t end = now + static_cast<uint64_t>(n);
    for (int i; (i = table_due(fe.table, end)) >= 0;) {
        emit(fe, EventType::closed, i, end);
        table_close(fe.table, i, end);
        fe.channels[i].kinds = 0;
    }
    fe.next_sample = end;
    fe.blocks++;
}

}  // namespace

bool front_end_init(IqFrontEnd& fe, const FrontEndConfig& cfg, const FrontEndSink& sink) {
    if (!(cfg.rate >= 20000.0) || !(cfg.rate <= 20e6) || (cfg.kinds & kAllKinds) == 0) return false;
    fe.cfg = cfg;
    fe.sink = sink;
    ChannelPlan& p = fe.plan;
    p = ChannelPlan{};
    p.rate = cfg.rate;
    p.mode = cfg.mode >= 0 ? static_cast<SourceMode>(cfg.mode)
                           : (cfg.rate <= 600000.0 ? SourceMode::down_converter : SourceMode::channelizer);
    p.keep_hz = 12500.0;
    p.afc_time_s = cfg.afc_time_s;
    for (int k = 0; k < kKinds; k++) p.profiles[k] = cfg.profiles[k];
    int channels = 0;
    if (p.mode == SourceMode::down_converter) {
        p.ddc_decim = std::max(1, static_cast<int>(std::floor(cfg.rate / 60000.0)));
        p.chan_rate = cfg.rate / p.ddc_decim;
        int b = 256;
        while (b * 2 <= cfg.rate * 0.016) b *= 2;
        p.block = cfg.block > 0 ? cfg.block : b;
    } else {
        channels = std::max(2, 2 * static_cast<int>(std::lround(cfg.rate / 128000.0)));
        const int hop = channels / 2;
        p.half_decim = 2;
        p.hop = hop;
        p.chan_rate = cfg.rate / hop / p.half_decim;
        const int want = cfg.block > 0 ? cfg.block : static_cast<int>(cfg.rate * 0.008);
        p.block = std::max(hop, (want + hop - 1) / hop * hop);
    }
    if (p.chan_rate < 2.0 * p.keep_hz + 10000.0) return false;
    fe.block.assign(2 * static_cast<std::size_t>(p.block), 0.0f);
    fe.fill = 0;
    fe.next_sample = cfg.first_sample;
    fe.dc_set = false;
    SpectrumConfig sc = cfg.spectrum;
    sc.rate = cfg.rate;
    if (!spectrum_init(fe.spectrum, sc)) return false;
    finder_init(fe.finder, cfg.finder, fe.spectrum.size);
    if (p.mode == SourceMode::channelizer) {
        const double spacing = cfg.rate / channels;
        if (!channelizer_init(fe.chz, cfg.rate, channels, 0.5 * spacing + p.band_hysteresis_hz + p.keep_hz, p.block))
            return false;
    }
    table_init(fe.table, cfg.table, cfg.rate);
    fe.channels = std::make_unique<Channel[]>(kMaxChannels);
    for (int i = 0; i < kMaxChannels; i++)
        if (!channel_init(fe.channels[i], p)) return false;
    // Delays from capture to audio, for the audio's sample numbers.
    const Channel& c0 = fe.channels[0];
    const double src_delay =
        p.mode == SourceMode::down_converter ? c0.ddc.fir.delay : 0.5 * (fe.chz.taps - 2) + c0.half.delay * fe.chz.hop;
    for (int k = 0; k < kKinds; k++) fe.delay_samples[k] = src_delay + c0.branch[k].delay_in * cfg.rate / p.chan_rate;
    fe.blocks = 0;
    for (double hz : cfg.forced_hz) {
        const int i = table_place(fe.table, hz, fe.next_sample);
        if (i >= 0) open_channel(fe, i, hz, true, fe.next_sample);
    }
    return true;
}

void front_end_feed(IqFrontEnd& fe, const float* iq, std::size_t n) {
    while (n > 0) {
        const std::size_t k = std::min<std::size_t>(n, static_cast<std::size_t>(fe.plan.block - fe.fill));
        std::copy(iq, iq + 2 * k, fe.block.begin() + 2 * fe.fill);
        fe.fill += static_cast<int>(k);
        iq += 2 * k;
        n -= k;
        if (fe.fill == fe.plan.block) {
            process_block(fe, fe.fill);
            fe.fill = 0;
        }
    }
}

void front_end_flush(IqFrontEnd& fe) {
    if (fe.fill == 0) return;
    // The channelizer takes whole hops: the rest of the last one is silence.
    int n = fe.fill;
    if (fe.plan.mode == SourceMode::channelizer) {
        const int hop = fe.chz.hop;
        const int whole = (n + hop - 1) / hop * hop;
        std::fill(fe.block.begin() + 2 * n, fe.block.begin() + 2 * whole, 0.0f);
        n = whole;
    }
    process_block(fe, n);
    fe.fill = 0;
}

bool front_end_frame(IqFrontEnd& fe, int ch, Kind kind, uint64_t identity) {
    if (ch < 0 || ch >= kMaxChannels) return false;
    ChannelSlot& s = fe.table.slot[ch];
    const bool was_open = s.state == ChannelState::open;
    const bool report = table_frame(fe.table, ch, kind, identity, fe.next_sample);
    fe.channels[ch].kinds = s.kinds;
    if (was_open && s.state == ChannelState::confirmed) emit(fe, EventType::confirmed, ch, fe.next_sample);
    return report;
}

ChannelMeasure front_end_measure(const IqFrontEnd& fe, int ch) {
    if (ch < 0 || ch >= kMaxChannels) return ChannelMeasure{};
    return channel_measure(fe.channels[ch]);
}

}  // namespace sonde::iq
