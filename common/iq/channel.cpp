#include "iq/channel.h"

#include <algorithm>
#include <cmath>

#include "iq/fir_design.h"

namespace sonde::iq {

namespace {
constexpr double kPi = 3.14159265358979323846;

double db(double v) { return 10.0 * std::log10(std::max(v, 1e-30)); }

void tune(Channel& c, const ChannelPlan& p, const Channelizer* cz) {
    c.lo_hz = c.offset_hz;
    if (p.mode == SourceMode::down_converter)
        ddc_tune(c.ddc, c.lo_hz);
    else
        lo_set(c.fine, c.lo_hz * cz->hop / p.rate);
}

}  // namespace

bool channel_init(Channel& c, const ChannelPlan& p) {
    // Buffers for one block's worth at each stage's rate.
    const int band_max = p.block / p.hop + 64;
    const int chan_max = (p.mode == SourceMode::down_converter ? p.block / p.ddc_decim : band_max / p.half_decim) + 64;
    if (p.mode == SourceMode::down_converter) {
        ddc_init(c.ddc, p.rate, p.ddc_decim, p.keep_hz, p.block);
    } else {
        // The band's rate is twice the spacing; the half-band stage keeps
        // +-keep_hz and what folds onto it lies beyond band_rate / decim - keep_hz.
        const double band_rate = p.chan_rate * p.half_decim;
        lo_init(c.fine, band_max);
        const double stop = p.chan_rate - p.keep_hz;
        const int taps = kaiser_taps(stop - p.keep_hz, band_rate, 60.0);
        fir_init(c.half, kaiser_lowpass(taps, 0.5 * (stop + p.keep_hz), band_rate, 60.0), p.half_decim, band_max);
        c.src.assign(2 * static_cast<std::size_t>(band_max), 0.0f);
        c.mixed.assign(2 * static_cast<std::size_t>(band_max), 0.0f);
    }
    c.chan.assign(2 * static_cast<std::size_t>(chan_max), 0.0f);
    for (int k = 0; k < kKinds; k++)
        if (!branch_init(c.branch[k], p.profiles[k], static_cast<Kind>(k), p.chan_rate, chan_max)) return false;
    c.kinds = 0;
    return true;
}

void channel_start(Channel& c, const ChannelPlan& p, const Channelizer* cz, double offset_hz, unsigned kinds) {
    c.kinds = kinds;
    c.offset_hz = offset_hz;
    if (p.mode == SourceMode::down_converter) {
        std::fill(c.ddc.fir.buf.begin(), c.ddc.fir.buf.end(), 0.0f);
        c.ddc.fir.held = c.ddc.fir.taps - 1;
        c.ddc.lo.phase = 0.0;
    } else {
        c.band = channelizer_band(*cz, offset_hz);
        c.fine.phase = 0.0;
        std::fill(c.half.buf.begin(), c.half.buf.end(), 0.0f);
        c.half.held = c.half.taps - 1;
    }
    tune(c, p, cz);
    for (KindBranch& b : c.branch) branch_reset(b);
    c.power = 0.0;
    c.has_power = false;
    c.noise_bw_hz = c.branch[channel_afc_kind(c)].noise_bw_hz;
}

int channel_afc_kind(const Channel& c) {
    int best = 0;
    double widest = -1.0;
    for (int k = 0; k < kKinds; k++) {
        if (!(c.kinds & (1u << k))) continue;
        if (c.branch[k].profile.channel_hz > widest) {
            widest = c.branch[k].profile.channel_hz;
            best = k;
        }
    }
    return best;
}

void channel_run(Channel& c, const ChannelPlan& p, const float* iq, int n, const Channelizer* cz) {
    if (p.mode == SourceMode::down_converter) {
        c.chan_count = ddc_run(c.ddc, iq, n, c.chan.data());
    } else {
        // Another band once the carrier has moved well past this one's edge.
        const double spacing = p.rate / cz->channels;
        if (std::fabs(c.offset_hz - channelizer_centre(*cz, c.band)) > 0.5 * spacing + p.band_hysteresis_hz)
            c.band = channelizer_band(*cz, c.offset_hz);
        const int frames = cz->frame_count;
        const float* f = cz->frames.data() + 2 * c.band;
        float* s = c.src.data();
        for (int j = 0; j < frames; j++) {
            s[2 * j] = f[2 * static_cast<std::size_t>(j) * static_cast<std::size_t>(cz->channels)];
            s[2 * j + 1] = f[2 * static_cast<std::size_t>(j) * static_cast<std::size_t>(cz->channels) + 1];
        }
        lo_mix(c.fine, s, c.mixed.data(), frames);
        c.chan_count = fir_run(c.half, c.mixed.data(), frames, c.chan.data());
    }
    for (int k = 0; k < kKinds; k++)
        if (c.kinds & (1u << k)) branch_run(c.branch[k], c.chan.data(), c.chan_count);

    // AFC and level from the widest running filter.
    const KindBranch& b = c.branch[channel_afc_kind(c)];
    c.noise_bw_hz = b.noise_bw_hz;
    if (b.base_count > 0) {
        const double block_s = n / p.rate;
        const double err = std::atan2(b.corr_im, b.corr_re) * b.base_rate / (2.0 * kPi);
        const double pw = b.power / b.base_count;
        const double noise = c.noise_per_hz * b.noise_bw_hz;
        if (pw - noise > p.afc_min_snr * noise) {
            const double g = std::min(1.0, block_s / p.afc_time_s);
            c.offset_hz += g * (c.lo_hz + err - c.offset_hz);
            if (std::fabs(c.offset_hz - c.lo_hz) > p.retune_hz) tune(c, p, cz);
        }
        const double a = std::min(1.0, block_s / p.level_time_s);
        c.power = c.has_power ? c.power + a * (pw - c.power) : pw;
        c.has_power = true;
    }
}

ChannelMeasure channel_measure(const Channel& c) {
    ChannelMeasure m;
    m.offset_hz = c.offset_hz;
    const double noise = c.noise_per_hz * c.noise_bw_hz;
    const double carrier = c.power - noise;
    m.noise_dbfs_hz = db(c.noise_per_hz);
    if (carrier > 0.0 && c.has_power) {
        m.level_dbfs = db(carrier);
        m.snr_db = noise > 0.0 ? db(carrier / noise) : 100.0;
        m.cn0_dbhz = c.noise_per_hz > 0.0 ? db(carrier / c.noise_per_hz) : 200.0;
    }
    return m;
}

}  // namespace sonde::iq
