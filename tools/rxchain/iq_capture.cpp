#include "iq_capture.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace rxchain {

double capture_amplitude(const CaptureConfig& cfg, double ebn0_db, double bit_rate) {
    // C = Eb/N0 * bit rate * N0 with N0 = 1 / fs.
    return std::sqrt(std::pow(10.0, ebn0_db / 10.0) * bit_rate / capture_true_rate(cfg));
}

bool capture_init(IqCapture& c, const CaptureConfig& cfg) {
    if (!(cfg.rate > 0.0) || !(std::fabs(cfg.clock_ppm) < 1e5) || !std::isfinite(cfg.image_gain_db) ||
        !std::isfinite(cfg.image_phase_deg) || !std::isfinite(cfg.dc_dbfs))
        return false;
    c.cfg = cfg;
    c.rng = normal_seeded(cfg.seed);
    c.noise_power = cfg.noise ? 1.0 : 0.0;
    const double g = std::pow(10.0, cfg.image_gain_db / 20.0), p = cfg.image_phase_deg * std::numbers::pi / 180.0;
    c.qq = static_cast<float>(g * std::cos(p));
    c.qi = static_cast<float>(-g * std::sin(p));
    // I' carries half the power, Q' g^2 times that.
    c.power_factor = (1.0 + g * g) / 4.0;
    const double dc = cfg.dc_spike ? std::pow(10.0, cfg.dc_dbfs / 20.0) / std::sqrt(2.0) : 0.0;
    c.dc_i = c.dc_q = static_cast<float>(dc);
    c.re.assign(kCaptureBlock, 0.0f);
    c.im.assign(kCaptureBlock, 0.0f);
    c.out_i.assign(kCaptureBlock, 0.0f);
    c.out_q.assign(kCaptureBlock, 0.0f);
    c.edges.reserve(64);
    return true;
}

void capture_block(IqCapture& c, FmSource* const* sources, int count, int n) {
    float* re = c.re.data();
    float* im = c.im.data();
    if (c.cfg.noise) {
        const double s = std::sqrt(0.5 * c.noise_power);
        for (int j = 0; j < n; j++) {
            re[j] = static_cast<float>(s * normal_next(c.rng));
            im[j] = static_cast<float>(s * normal_next(c.rng));
        }
    } else {
        std::fill(re, re + n, 0.0f);
        std::fill(im, im + n, 0.0f);
    }

    // Each carrier's span on the air: the power changes only at its ends.
    c.edges.assign({0, n});
    for (int s = 0; s < count; s++) {
        int a = 0, b = 0;
        fm_source_add(*sources[s], c.next, n, re, im, a, b);
        if (a >= b || sources[s]->cfg.amplitude <= 0.0) continue;
        c.edges.push_back(a);
        c.edges.push_back(b);
    }
    std::sort(c.edges.begin(), c.edges.end());
    c.edges.erase(std::unique(c.edges.begin(), c.edges.end()), c.edges.end());

    for (std::size_t e = 0; e + 1 < c.edges.size(); e++) {
        const int from = c.edges[e], to = c.edges[e + 1];
        double power = c.noise_power;
        for (int s = 0; s < count; s++) {
            const FmSource& src = *sources[s];
            if (src.cfg.amplitude <= 0.0) continue;
            const int64_t on = std::max<int64_t>(src.on - c.next, 0), off = std::min<int64_t>(src.off - c.next, n);
            if (on <= from && from < off) power += src.cfg.amplitude * src.cfg.amplitude;
        }
        const float gain = power > 0.0 ? static_cast<float>(kCaptureRms / std::sqrt(power * c.power_factor)) : 0.0f;
        const float gq = gain * c.qq, gi = gain * c.qi;
        for (int j = from; j < to; j++) {
            c.out_i[static_cast<std::size_t>(j)] = gain * re[j] + c.dc_i;
            c.out_q[static_cast<std::size_t>(j)] = gq * im[j] + gi * re[j] + c.dc_q;
        }
    }
    c.next += n;
}

}  // namespace rxchain
