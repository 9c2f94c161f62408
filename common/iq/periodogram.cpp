#include "iq/periodogram.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace sonde::iq {

namespace {

constexpr double kPi = 3.14159265358979323846;

// The look just completed becomes part of the estimate.
void finish_look(Spectrum& s) {
    s.looks_done = std::min(s.looks_done + 1, s.looks);
    const int n = s.size;
    std::fill(s.power.begin(), s.power.end(), 0.0);
    for (int l = 0; l < s.looks_done; l++) {
        const std::vector<double>& v = s.look_sum[(s.look_at - l + s.looks) % s.looks];
        for (int k = 0; k < n; k++)
            s.power[static_cast<std::size_t>((k + n / 2) % n)] += v[static_cast<std::size_t>(k)];
    }
    s.frames = s.looks_done * s.frames_per_look;
    const double scale = 1.0 / (s.frames * s.window_power * s.rate);
    for (double& p : s.power) p *= scale;
    s.look_at = (s.look_at + 1) % s.looks;
    std::fill(s.look_sum[s.look_at].begin(), s.look_sum[s.look_at].end(), 0.0);
    s.look_frames = 0;
    s.updates++;
}

}  // namespace

bool spectrum_init(Spectrum& s, const SpectrumConfig& cfg) {
    if (!(cfg.rate >= 1000.0) || cfg.looks < 1 || cfg.looks > kMaxLooks || !(cfg.look_s > 0.0)) return false;
    s.rate = cfg.rate;
    int n = cfg.size;
    if (n <= 0) {
        n = 16;
        while (n * 1000.0 * 1.5 < cfg.rate) n *= 2;
    }
    if (n < 16 || n > (1 << 20)) return false;
    s.size = n;
    s.stride = cfg.stride > 0 ? std::max(cfg.stride, n) : 2 * n;
    s.frames_per_look = std::max(1, static_cast<int>(std::lround(cfg.look_s * cfg.rate / s.stride)));
    s.looks = cfg.looks;
    s.window.resize(static_cast<std::size_t>(n));
    s.window_power = 0.0;
    for (int i = 0; i < n; i++) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * kPi * (i + 0.5) / n);
        s.window[static_cast<std::size_t>(i)] = static_cast<float>(w);
        s.window_power += w * w;
    }
    s.in = fftw_buffer(n);
    s.out = fftw_buffer(n);
    s.plan = fftw_plan_1d(n, s.in.get(), s.out.get(), FFTW_FORWARD);
    if (!s.in || !s.out || !s.plan) return false;
    for (int l = 0; l < s.looks; l++) s.look_sum[l].assign(static_cast<std::size_t>(n), 0.0);
    s.power.assign(static_cast<std::size_t>(n), 0.0);
    s.fill = s.skip = 0;
    s.look_at = s.look_frames = s.looks_done = s.frames = 0;
    s.updates = 0;
    return true;
}

bool spectrum_add(Spectrum& s, const float* iq, int n) {
    bool ready = false;
    int at = 0;
    while (at < n) {
        if (s.skip > 0) {
            const int k = std::min(s.skip, n - at);
            s.skip -= k;
            at += k;
            continue;
        }
        const int k = std::min(s.size - s.fill, n - at);
        float* dst = &s.in[s.fill][0];
        const float* w = s.window.data() + s.fill;
        for (int j = 0; j < k; j++) {
            dst[2 * j] = iq[2 * (at + j)] * w[j];
            dst[2 * j + 1] = iq[2 * (at + j) + 1] * w[j];
        }
        s.fill += k;
        at += k;
        if (s.fill < s.size) break;
        s.fill = 0;
        s.skip = s.stride - s.size;
        fftwf_execute(s.plan.get());
        double* acc = s.look_sum[s.look_at].data();
        for (int j = 0; j < s.size; j++) {
            const double re = s.out[j][0], im = s.out[j][1];
            acc[j] += re * re + im * im;
        }
        if (++s.look_frames == s.frames_per_look) {
            finish_look(s);
            ready = true;
        }
    }
    return ready;
}

}  // namespace sonde::iq
