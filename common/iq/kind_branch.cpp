#include "iq/kind_branch.h"

#include <algorithm>
#include <cmath>

#include "iq/fir_design.h"
#include "iq/kernels.h"

namespace sonde::iq {

namespace {
constexpr double kPi = 3.14159265358979323846;
}

bool branch_init(KindBranch& b, const KindProfile& p, Kind kind, double rate, int max_in) {
    b.kind = kind;
    b.profile = p;
    const double stop = p.channel_hz + 0.5 * p.transition_hz;
    // The decimated rate leaves the stopband's start unaliased.
    const int decim = std::max(1, static_cast<int>(std::floor(rate / (2.4 * stop))));
    b.base_rate = rate / decim;
    const int taps = kaiser_taps(p.transition_hz, rate, 60.0);
    const std::vector<double> h = kaiser_lowpass(taps, p.channel_hz, rate, 60.0);
    b.noise_bw_hz = noise_bandwidth(h, rate);
    fir_init(b.filter, h, decim, max_in);
    const int max_base = max_in / decim + 2;
    b.base.assign(2 * static_cast<std::size_t>(max_base + 1), 0.0f);
    b.disc.assign(static_cast<std::size_t>(max_base), 0.0f);
    if (!post_detection_init(b.audio_rs, p, b.base_rate, max_base)) return false;
    b.audio.assign(static_cast<std::size_t>(resampler_max_out(b.audio_rs, max_base)), 0.0f);
    b.delay_in = b.filter.delay + b.audio_rs.delay * decim;
    branch_reset(b);
    return true;
}

bool post_detection_init(Resampler& rs, const KindProfile& p, double base_rate, int max_base) {
    const double post = p.post_hz > 0.0 ? p.post_hz : 0.45 * std::min(base_rate, static_cast<double>(p.audio_rate));
    return resampler_init(rs, base_rate, p.audio_rate, post, post, max_base);
}

float discriminator_scale(const KindProfile& p, double base_rate) {
    return static_cast<float>(base_rate / (2.0 * kPi) / (2.0 * p.deviation_hz));
}

int fm_audio(Resampler& rs, const float* z, int m, float scale, float* disc, float* audio) {
    discriminate(z, disc, m, scale);
    const int n = resampler_run(rs, disc, m, audio);
    for (int j = 0; j < n; j++) audio[j] = std::clamp(audio[j], -1.0f, 1.0f);
    return n;
}

void branch_reset(KindBranch& b) {
    std::fill(b.filter.buf.begin(), b.filter.buf.end(), 0.0f);
    b.filter.held = b.filter.taps - 1;
    std::fill(b.audio_rs.buf.begin(), b.audio_rs.buf.end(), 0.0f);
    b.audio_rs.held = b.audio_rs.taps - 1;
    b.audio_rs.t = 0;
    std::fill(b.base.begin(), b.base.end(), 0.0f);
    b.base_count = b.audio_count = 0;
    b.corr_re = b.corr_im = b.power = 0.0;
    b.audio_samples = 0;
}

void branch_run(KindBranch& b, const float* in, int n) {
    float* z = b.base.data() + 2;
    // The previous block's last sample goes before this block's.
    if (b.base_count > 0) {
        b.base[0] = z[2 * (b.base_count - 1)];
        b.base[1] = z[2 * (b.base_count - 1) + 1];
    }
    const int m = fir_run(b.filter, in, n, z);
    b.base_count = m;
    double cr = 0.0, ci = 0.0, pw = 0.0;
    for (int j = 0; j < m; j++) {
        const double x = z[2 * j], y = z[2 * j + 1], px = z[2 * j - 2], py = z[2 * j - 1];
        cr += x * px + y * py;
        ci += y * px - x * py;
        pw += x * x + y * y;
    }
    b.corr_re = cr;
    b.corr_im = ci;
    b.power = pw;
    if (!b.profile.audio) return;
    b.audio_count =
        fm_audio(b.audio_rs, z, m, discriminator_scale(b.profile, b.base_rate), b.disc.data(), b.audio.data());
    b.audio_samples += static_cast<uint64_t>(b.audio_count);
}

}  // namespace sonde::iq
