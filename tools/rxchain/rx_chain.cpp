#include "rx_chain.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "fir_design.h"
#include "dsp/fast_atan2.h"
#include "dsp/vector_clones.h"

namespace rxchain {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kSineBits = 12;

// Frequency of each step from one channel sample to the next; re and im
// hold the last sample of the previous block at index -1.
VECTOR_CLONES void discriminate(const float* re, const float* im, float* out, int m, float to_hz) {
    for (int j = 0; j < m; j++) {
        const float x = re[j], y = im[j], px = re[j - 1], py = im[j - 1];
        out[j] = sonde::fast_atan2(y * px - x * py, x * px + y * py) * to_hz;
    }
}

inline float table_sine(const float* sine, uint32_t phase) {
    const uint32_t idx = phase >> (32 - kSineBits);
    const float fr = static_cast<float>(phase & ((1u << (32 - kSineBits)) - 1)) * (1.0f / (1u << (32 - kSineBits)));
    return sine[idx] + fr * (sine[idx + 1] - sine[idx]);
}

std::vector<float> to_float(const std::vector<double>& v) { return {v.begin(), v.end()}; }

void biquad_highpass(Biquad& b, double f0, double fs) {
    const double w0 = 2.0 * kPi * f0 / fs;
    const double alpha = std::sin(w0) / (2.0 * std::sqrt(0.5));
    const double cw = std::cos(w0);
    const double a0 = 1.0 + alpha;
    b.b0 = (1.0 + cw) / 2.0 / a0;
    b.b1 = -(1.0 + cw) / a0;
    b.b2 = b.b0;
    b.a1 = -2.0 * cw / a0;
    b.a2 = (1.0 - alpha) / a0;
}

inline double biquad_step(Biquad& b, double x) {
    const double y = b.b0 * x + b.b1 * b.x1 + b.b2 * b.x2 - b.a1 * b.y1 - b.a2 * b.y2;
    b.x2 = b.x1;
    b.x1 = x;
    b.y2 = b.y1;
    b.y1 = y;
    return y;
}

// y[j] = sum_k h[k] x[j + n - 1 - k] for a symmetric h of odd length n,
// folded on its symmetry; four taps per pass over y keep y in registers.
VECTOR_CLONES void fir_symmetric(const float* h, int n, const float* x, float* y, int m) {
    const int half = n / 2;
    const float hc = h[half];
    for (int j = 0; j < m; j++) y[j] = hc * x[j + half];
    int k = 0;
    for (; k + 4 <= half; k += 4) {
        const float h0 = h[k], h1 = h[k + 1], h2 = h[k + 2], h3 = h[k + 3];
        const float* a = x + n - 1 - k;
        const float* b = x + k;
        for (int j = 0; j < m; j++)
            y[j] += h0 * (a[j] + b[j]) + h1 * (a[j - 1] + b[j + 1]) + h2 * (a[j - 2] + b[j + 2]) +
                    h3 * (a[j - 3] + b[j + 3]);
    }
    for (; k < half; k++) {
        const float hk = h[k];
        const float* a = x + n - 1 - k;
        const float* b = x + k;
        for (int j = 0; j < m; j++) y[j] += hk * (a[j] + b[j]);
    }
}

// One block of at most kChainBlock audio samples.
void process_block(RxChain& c, const float* in, float* out, int n) {
    const int L = c.up;
    const int m = n * L;
    float* ab = upsampler_input(c.tx);
    for (int i = 0; i < n; i++) ab[i] = in[i] * static_cast<float>(c.scale_hz);
    upsampler_run(c.tx, n, c.freq.data());

    // Carrier: a 32-bit phase accumulator and a sine table.
    const int nc = static_cast<int>(c.chan.size());
    float* re = c.re.data() + nc - 1;
    float* im = c.im.data() + nc - 1;
    if (c.cfg.carrier) {
        const double k = 4294967296.0 / c.fs;
        const double drift_step = c.cfg.drift_hz_per_s / c.fs;
        const float* sine = c.sine.data();
        for (int j = 0; j < m; j++) {
            const double f = c.freq[static_cast<std::size_t>(j)] + c.cfg.offset_hz +
                             drift_step * static_cast<double>(c.fs_count + static_cast<uint64_t>(j));
            c.phase += static_cast<uint32_t>(static_cast<int64_t>(f * k));
            im[j] = table_sine(sine, c.phase);
            re[j] = table_sine(sine, c.phase + 0x40000000u);
        }
    } else {
        std::fill(re, re + m, 0.0f);
        std::fill(im, im + m, 0.0f);
    }
    c.fs_count += static_cast<uint64_t>(m);
    if (c.cfg.noise) {
        const double s = c.sigma;
        for (int j = 0; j < m; j++) {
            re[j] += static_cast<float>(s * normal_next(c.rng));
            im[j] += static_cast<float>(s * normal_next(c.rng));
        }
    }

    // Channel filter, folded on its symmetry.
    float* cre = c.chan_re.data() + 1;
    float* cim = c.chan_im.data() + 1;
    fir_symmetric(c.chan.data(), nc, c.re.data(), cre, m);
    fir_symmetric(c.chan.data(), nc, c.im.data(), cim, m);
    std::memmove(c.re.data(), c.re.data() + m, static_cast<std::size_t>(nc - 1) * sizeof(float));
    std::memmove(c.im.data(), c.im.data() + m, static_cast<std::size_t>(nc - 1) * sizeof(float));

    // Discriminator.
    const int np = static_cast<int>(c.post.size());
    float* d = c.disc.data() + np - 1;
    discriminate(cre, cim, d, m, static_cast<float>(c.fs / (2.0 * kPi)));
    cre[-1] = cre[m - 1];
    cim[-1] = cim[m - 1];

    // Post-detection low-pass at the full rate (folded, it costs what the
    // decimating form does at twice the audio rate), every up-th sample kept.
    float* full = c.freq.data();  // free again once the carrier is made
    fir_symmetric(c.post.data(), np, c.disc.data(), full, m);
    float* t = c.tmp.data();
    for (int i = 0; i < n; i++) t[i] = full[i * L];
    std::memmove(c.disc.data(), c.disc.data() + m, static_cast<std::size_t>(np - 1) * sizeof(float));

    for (int i = 0; i < n; i++) {
        double y = t[i];
        if (c.cfg.highpass) y = biquad_step(c.hp, y);
        if (c.cfg.deemphasis_us > 0.0) {
            c.deemph_y += c.deemph_a * (y - c.deemph_y);
            y = c.deemph_y;
        }
        out[i] = static_cast<float>(y);
    }
}

}  // namespace

bool chain_profile(std::string_view name, ChainConfig& cfg) {
    if (name == "afsk" || name == "ostrel") {
        cfg.deviation_hz = 3500;
        cfg.bit_rate = 1200;
        cfg.channel_bw_hz = 2 * (3500 + 2200);
        cfg.highpass = true;
    } else if (name == "vardo" || name == "pelkin") {
        cfg.deviation_hz = 2400;
        cfg.bit_rate = name == "pelkin" ? 4800 : 9600;
        cfg.channel_bw_hz = 0;
        cfg.highpass = false;
    } else {
        return false;
    }
    return true;
}

bool chain_init(RxChain& c, const ChainConfig& cfg) {
    if (cfg.audio_rate < 1000 || cfg.audio_rate > 768000 || !(cfg.deviation_hz > 0.0) || !(cfg.input_peak > 0.0) ||
        !(cfg.bit_rate > 0.0) || cfg.channel_bw_hz < 0.0 || cfg.post_cutoff_hz < 0.0 || cfg.deemphasis_us < 0.0)
        return false;
    c.cfg = cfg;
    c.up = (96000 + cfg.audio_rate - 1) / cfg.audio_rate;
    c.fs = static_cast<double>(c.up) * cfg.audio_rate;
    const double bw = cfg.channel_bw_hz > 0.0 ? cfg.channel_bw_hz : 2.0 * cfg.deviation_hz + cfg.bit_rate;
    if (bw > 0.8 * c.fs) return false;
    c.post_hz = cfg.post_cutoff_hz > 0.0 ? cfg.post_cutoff_hz : std::min(bw / 2.0, 0.45 * cfg.audio_rate);
    if (c.post_hz > 0.45 * cfg.audio_rate) return false;
    c.scale_hz = cfg.deviation_hz / cfg.input_peak;
    // One-sided noise density for the Eb/N0 at carrier power 1.
    const double n0 = 1.0 / (cfg.bit_rate * std::pow(10.0, cfg.ebn0_db / 10.0));
    c.sigma = std::sqrt(n0 * c.fs / 2.0);

    const int L = c.up;
    upsampler_init(c.tx, L, cfg.audio_rate, kChainBlock);

    // Channel filter: transition band 0.4 of its width, noise bandwidth exact.
    const int nc = taps_for_transition(0.4 * bw, c.fs, 15);
    const std::vector<double> ch = lowpass_with_noise_bandwidth(nc, bw, c.fs);
    c.bw_hz = noise_bandwidth(ch, c.fs);
    c.chan = to_float(ch);

    // Post-detection low-pass: transition as wide as its cutoff; its length
    // makes the whole delay a whole number of audio samples.
    int np = taps_for_transition(c.post_hz, c.fs, 15);
    while (((nc - 1) / 2 + (np - 1) / 2) % L != 0) np += 2;
    c.post = to_float(lowpass_taps(np, c.post_hz, c.fs));
    c.delay = c.tx.delay + ((nc - 1) / 2 + (np - 1) / 2) / L;

    const std::size_t m = static_cast<std::size_t>(kChainBlock * L);
    c.freq.assign(m, 0.0f);
    c.re.assign(static_cast<std::size_t>(nc - 1) + m, cfg.carrier ? 1.0f : 0.0f);
    c.im.assign(static_cast<std::size_t>(nc - 1) + m, 0.0f);
    c.chan_re.assign(m + 1, 0.0f);
    c.chan_im.assign(m + 1, 0.0f);
    c.chan_re[0] = cfg.carrier ? 1.0f : 0.0f;
    c.disc.assign(static_cast<std::size_t>(np - 1) + m, 0.0f);
    c.tmp.assign(kChainBlock, 0.0f);

    c.sine.resize((1u << kSineBits) + 1);
    for (std::size_t i = 0; i < c.sine.size(); i++)
        c.sine[i] = static_cast<float>(std::sin(2.0 * kPi * static_cast<double>(i) / (1u << kSineBits)));
    c.rng = normal_seeded(cfg.seed);

    if (cfg.highpass) biquad_highpass(c.hp, 20.0, cfg.audio_rate);
    c.deemph_a = cfg.deemphasis_us > 0.0 ? 1.0 - std::exp(-1.0 / (cfg.deemphasis_us * 1e-6 * cfg.audio_rate)) : 1.0;
    return true;
}

void chain_process(RxChain& c, const float* in, float* out_hz, std::size_t n) {
    while (n > 0) {
        const int step = static_cast<int>(std::min<std::size_t>(n, kChainBlock));
        process_block(c, in, out_hz, step);
        in += step;
        out_hz += step;
        n -= static_cast<std::size_t>(step);
    }
}

}  // namespace rxchain
