#include "iq/coherent_fsk.h"

#include <algorithm>
#include <cmath>

namespace sonde::iq {

namespace {
constexpr double kPi = 3.14159265358979323846;
// Soft value of a clean bit's mean (of full scale).
constexpr double kScale = 0.25;
// Window sums are recomputed from the ring this often (samples), so that
// rounding in the running sums cannot build up over a long capture.
constexpr uint64_t kRefresh = 1u << 16;

float finite_or_zero(float x) { return std::isfinite(x) ? x : 0.0f; }

// Turns the phasor (re, im) on by -2 pi hz / rate, keeping it of length 1.
void advance(double& re, double& im, double hz, double rate) {
    const double w = -2.0 * kPi * hz / rate;
    // Small angles: second order is enough, the length is set again.
    const double c = 1.0 - 0.5 * w * w, s = w;
    const double nr = re * c - im * s, ni = re * s + im * c;
    const double g = 1.5 - 0.5 * (nr * nr + ni * ni);
    re = nr * g;
    im = ni * g;
}

// The frequency loop: at each block's end, how far u and v turned since the
// last block (their phasors' products, each weighted by its power) moves the
// offset taken out.
void loop_take(CoherentFsk& d, double ure, double uim, double vre, double vim) {
    d.bu_re += ure;
    d.bu_im += uim;
    d.bv_re += vre;
    d.bv_im += vim;
    if (++d.in_block < d.block) return;
    const double re = d.bu_re * d.pu_re + d.bu_im * d.pu_im + d.bv_re * d.pv_re + d.bv_im * d.pv_im;
    const double im = d.bu_im * d.pu_re - d.bu_re * d.pu_im + d.bv_im * d.pv_re - d.bv_re * d.pv_im;
    d.turn_re += d.loop_smooth * (re - d.turn_re);
    d.turn_im += d.loop_smooth * (im - d.turn_im);
    if (d.turn_re != 0.0 || d.turn_im != 0.0)
        d.offset_hz += d.loop_gain * std::atan2(d.turn_im, d.turn_re) * d.rate / (2.0 * kPi * d.block);
    d.pu_re = d.bu_re;
    d.pu_im = d.bu_im;
    d.pv_re = d.bv_re;
    d.pv_im = d.bv_im;
    d.bu_re = d.bu_im = d.bv_re = d.bv_im = 0.0;
    d.in_block = 0;
}

void refresh_sums(CoherentFsk& d) {
    d.su_re = d.su_im = d.sv_re = d.sv_im = d.sp = 0.0;
    for (int i = 0; i < d.window; i++) {
        const float* e = d.ring.data() + 5 * i;
        d.su_re += e[0];
        d.su_im += e[1];
        d.sv_re += e[2];
        d.sv_im += e[3];
        d.sp += e[4];
    }
}
}  // namespace

bool coherent_fsk_init(CoherentFsk& d, const CoherentFskConfig& cfg, double rate, int max_in) {
    if (!(rate > 4.0 * cfg.tone_hz) || !(cfg.bit_rate > 0.0) || max_in <= 0) return false;
    d.rate = rate;
    const double w = -2.0 * kPi * cfg.tone_hz / rate;
    d.step_re = std::cos(w);
    d.step_im = std::sin(w);
    d.osc_re = 1.0;
    d.osc_im = 0.0;
    d.offset_hz = 0.0;
    d.tuned = false;
    d.fo_re = 1.0;
    d.fo_im = 0.0;
    d.block = std::max(2, static_cast<int>(std::lround(cfg.block_bits * rate / cfg.bit_rate)));
    d.in_block = 0;
    d.loop_gain = cfg.loop_gain;
    d.loop_smooth = cfg.loop_smooth;
    d.turn_re = d.turn_im = 0.0;
    d.bu_re = d.bu_im = d.bv_re = d.bv_im = d.pu_re = d.pu_im = d.pv_re = d.pv_im = 0.0;
    d.window = std::max(3, static_cast<int>(std::lround(cfg.window_bits * rate / cfg.bit_rate)) | 1);
    d.half = d.window / 2;
    d.ring.assign(5 * static_cast<std::size_t>(d.window), 0.0f);
    d.at = 0;
    d.seen = 0;
    d.su_re = d.su_im = d.sv_re = d.sv_im = d.sp = 0.0;
    d.soft.assign(static_cast<std::size_t>(max_in), 0.0f);
    d.max_in = max_in;
    return resampler_init(d.out, rate, cfg.out_rate, cfg.out_cutoff_hz, cfg.out_cutoff_hz, max_in);
}

void coherent_fsk_tuned(CoherentFsk& d, double tuned_hz) {
    if (!std::isfinite(tuned_hz)) return;
    if (d.tuned) d.offset_hz -= tuned_hz - d.tuned_hz;
    d.tuned_hz = tuned_hz;
    d.tuned = true;
}

int coherent_fsk_max_out(const CoherentFsk& d, int n) { return resampler_max_out(d.out, n); }

int coherent_fsk_run(CoherentFsk& d, const float* iq, int n, float* out) {
    n = std::clamp(n, 0, d.max_in);
    for (int j = 0; j < n; j++) {
        const double x0 = finite_or_zero(iq[2 * j]), y0 = finite_or_zero(iq[2 * j + 1]);
        // The loop's offset out.
        const double x = x0 * d.fo_re - y0 * d.fo_im, y = x0 * d.fo_im + y0 * d.fo_re;
        advance(d.fo_re, d.fo_im, d.offset_hz, d.rate);
        // u = y exp(-j w t), v = y exp(+j w t).
        const double ure = x * d.osc_re - y * d.osc_im, uim = x * d.osc_im + y * d.osc_re;
        const double vre = x * d.osc_re + y * d.osc_im, vim = y * d.osc_re - x * d.osc_im;
        const double ore = d.osc_re * d.step_re - d.osc_im * d.step_im;
        const double oim = d.osc_re * d.step_im + d.osc_im * d.step_re;
        const double g = 1.5 - 0.5 * (ore * ore + oim * oim);  // keeps |osc| at 1
        d.osc_re = ore * g;
        d.osc_im = oim * g;
        loop_take(d, ure, uim, vre, vim);

        float* e = d.ring.data() + 5 * d.at;
        d.su_re += ure - e[0];
        d.su_im += uim - e[1];
        d.sv_re += vre - e[2];
        d.sv_im += vim - e[3];
        d.sp += x * x + y * y - e[4];
        e[0] = static_cast<float>(ure);
        e[1] = static_cast<float>(uim);
        e[2] = static_cast<float>(vre);
        e[3] = static_cast<float>(vim);
        e[4] = static_cast<float>(x * x + y * y);
        if (++d.at == d.window) d.at = 0;
        if (++d.seen % kRefresh == 0) refresh_sums(d);

        // The sample half a window back, against the references around it.
        const float* c = d.ring.data() + 5 * ((d.at + d.window - 1 - d.half) % d.window);
        const double mu = std::hypot(d.su_re, d.su_im), mv = std::hypot(d.sv_re, d.sv_im);
        double s = 0.0;
        if (mu > 0.0) s += (c[0] * d.su_re + c[1] * d.su_im) / mu;
        if (mv > 0.0) s -= (c[2] * d.sv_re + c[3] * d.sv_im) / mv;
        const double rms = std::sqrt(std::max(d.sp, 0.0) / d.window);
        d.soft[static_cast<std::size_t>(j)] = rms > 0.0 ? static_cast<float>(kScale * s / rms) : 0.0f;
    }
    return resampler_run(d.out, d.soft.data(), n, out);
}

}  // namespace sonde::iq
