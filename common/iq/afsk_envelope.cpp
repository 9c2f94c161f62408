#include "iq/afsk_envelope.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace sonde::iq {

namespace {
constexpr double kPi = 3.14159265358979323846;
// Harmonics weaker than this (of a template of power 1) are left out.
constexpr double kLeastWeight = 0.02;
// Oscillators and sums are set again from scratch this often (samples), so
// that rounding cannot build up over a long capture.
constexpr int kTidy = 4096;
// A window of less power than this (full scale 1) is silence: levels 0.
constexpr double kLeastPower = 1e-20;
// Audio phases a level read holds on the stack.
constexpr int kMaxPhases = 64;
// Terms a level read holds on the stack.
constexpr int kMaxTerms = 64;

double finite_or_zero(float x) { return std::isfinite(x) ? x : 0.0; }

// Every term's oscillator at sample k, exactly.
void set_oscillators(AfskEnvelope& d, int64_t k) {
    for (int i = 0; i < d.terms; i++) {
        const double cycles = d.harmonic[i] * d.tone_of[i] / d.rate * static_cast<double>(k);
        const double w = -2.0 * kPi * (cycles - std::floor(cycles));
        d.osc[2 * i] = std::cos(w);
        d.osc[2 * i + 1] = std::sin(w);
    }
}

void tidy(AfskEnvelope& d) {
    d.tidy_count = 0;
    set_oscillators(d, d.taken);
    std::fill(d.sum.begin(), d.sum.end(), 0.0);
    d.power = 0.0;
    for (int s = 0; s < d.window; s++) d.power += d.power_ring[static_cast<std::size_t>(s)];
    for (int s = 0; s < d.window; s++) {
        const double* p = d.ring.data() + 2 * static_cast<std::size_t>(s) * d.terms;
        for (int i = 0; i < 2 * d.terms; i++) d.sum[i] += p[i];
    }
}
}  // namespace

double bessel_j(int n, double x) {
    // J_n(x) = 1/pi int_0^pi cos(n t - x sin t) dt; the trapezoid rule on a
    // periodic integrand converges geometrically.
    constexpr int kPoints = 256;
    double s = 0.0;
    for (int i = 0; i <= kPoints; i++) {
        const double t = kPi * i / kPoints;
        const double v = std::cos(n * t - x * std::sin(t));
        s += (i == 0 || i == kPoints) ? 0.5 * v : v;
    }
    return s / kPoints;
}

bool afsk_envelope_init(AfskEnvelope& d, const AfskEnvelopeConfig& cfg, double rate) {
    if (!(rate > 0.0) || !(cfg.bit_rate > 0.0) || !(cfg.deviation_hz > 0.0) || cfg.phases < 1 || cfg.history_bits < 2 ||
        !(2.0 * cfg.band_hz < rate) || rate / cfg.bit_rate > 4096.0 || rate / cfg.bit_rate < 2.0)
        return false;
    d.rate = rate;
    d.bit_samples = rate / cfg.bit_rate;
    d.window = std::max(1, static_cast<int>(std::lround(d.bit_samples)));
    d.phases = cfg.phases;
    if (cfg.phases < 2 || cfg.phases % 2 != 0 || cfg.phases > kMaxPhases) return false;
    d.harmonic.clear();
    d.tone_of.clear();
    d.bessel.clear();
    for (int k = 0; k < kAfskTones; k++) {
        const double f = cfg.tone_hz[k];
        if (!(f > 0.0)) return false;
        const double beta = cfg.deviation_hz / f;
        d.first[k] = static_cast<int>(d.harmonic.size());
        // J_-n = (-1)^n J_n: the terms come as 0, then n and -n together.
        for (int n = 0; n <= 64 && n * f <= cfg.band_hz; n++) {
            const double j = bessel_j(n, beta);
            // n = 0 stays whatever its weight: the level reads take the
            // tone's first term for it.
            if (n > 0 && j * j < kLeastWeight * kLeastWeight) continue;
            for (int sign = 1; sign >= (n == 0 ? 1 : -1); sign -= 2) {
                d.harmonic.push_back(sign * n);
                d.tone_of.push_back(f);
                d.bessel.push_back(sign < 0 && n % 2 != 0 ? -j : j);
            }
        }
        if (static_cast<int>(d.harmonic.size()) == d.first[k]) return false;
    }
    d.terms = static_cast<int>(d.harmonic.size());
    if (d.terms > kMaxTerms) return false;
    d.first[kAfskTones] = d.terms;
    // cos and sin of n alpha per term and audio phase alpha in [0, pi): the
    // phases alpha + pi follow from the same sums (odd n change sign).
    const int half_phases = d.phases / 2;
    // per term, then per phase: the phases' loop runs on several at a time.
    d.coef.assign(2 * static_cast<std::size_t>(half_phases) * d.terms, 0.0);
    for (int i = 0; i < d.terms; i++)
        for (int m = 0; m < half_phases; m++) {
            const double alpha = 2.0 * kPi * m / d.phases;
            double* c = d.coef.data() + 2 * static_cast<std::size_t>(i) * half_phases;
            c[m] = std::cos(d.harmonic[i] * alpha);
            c[half_phases + m] = std::sin(d.harmonic[i] * alpha);
        }
    d.osc.assign(2 * static_cast<std::size_t>(d.terms), 0.0);
    d.step.assign(2 * static_cast<std::size_t>(d.terms), 0.0);
    for (int i = 0; i < d.terms; i++) {
        const double w = -2.0 * kPi * d.harmonic[i] * d.tone_of[i] / rate;
        d.step[2 * i] = std::cos(w);
        d.step[2 * i + 1] = std::sin(w);
    }
    d.ring.assign(2 * static_cast<std::size_t>(d.window) * d.terms, 0.0);
    d.pos = 0;
    d.sum.assign(2 * static_cast<std::size_t>(d.terms), 0.0);
    d.power_ring.assign(static_cast<std::size_t>(d.window), 0.0);
    const auto need = static_cast<uint64_t>(std::ceil(cfg.history_bits * d.bit_samples)) + 4;
    const uint64_t cap = std::bit_ceil(need);
    d.history.assign(cap * 2 * static_cast<std::size_t>(d.terms), 0.0f);
    d.power_history.assign(cap, 0.0f);
    d.history_mask = cap - 1;
    d.taken = 0;
    tidy(d);
    return true;
}

void afsk_envelope_add(AfskEnvelope& d, const float* iq, int n) {
    if (d.terms == 0) return;
    const int t2 = 2 * d.terms;
    double* osc = d.osc.data();
    const double* step = d.step.data();
    double* sum = d.sum.data();
    for (int s = 0; s < n; s++) {
        const double xr = finite_or_zero(iq[2 * s]), xi = finite_or_zero(iq[2 * s + 1]);
        double* p = d.ring.data() + static_cast<std::size_t>(d.pos) * t2;
        float* h = d.history.data() + (static_cast<uint64_t>(d.taken) & d.history_mask) * t2;
        for (int i = 0; i < t2; i += 2) {
            const double o_re = osc[i], o_im = osc[i + 1];
            const double pr = xr * o_re - xi * o_im, pi = xr * o_im + xi * o_re;
            const double sr = sum[i] + (pr - p[i]), si = sum[i + 1] + (pi - p[i + 1]);
            sum[i] = sr;
            sum[i + 1] = si;
            p[i] = pr;
            p[i + 1] = pi;
            h[i] = static_cast<float>(sr);
            h[i + 1] = static_cast<float>(si);
            osc[i] = o_re * step[i] - o_im * step[i + 1];
            osc[i + 1] = o_re * step[i + 1] + o_im * step[i];
        }
        const double pw = xr * xr + xi * xi;
        d.power += pw - d.power_ring[static_cast<std::size_t>(d.pos)];
        d.power_ring[static_cast<std::size_t>(d.pos)] = pw;
        d.power_history[static_cast<uint64_t>(d.taken) & d.history_mask] = static_cast<float>(d.power);
        if (++d.pos == d.window) d.pos = 0;
        d.taken++;
        if (++d.tidy_count == kTidy) tidy(d);
    }
}

AfskLevels afsk_levels_at(const AfskEnvelope& d, double t) {
    AfskLevels out;
    if (d.terms == 0) return out;
    const double fl = std::floor(t);
    const double f = t - fl;
    const auto k = static_cast<int64_t>(fl);
    const int t2 = 2 * d.terms;
    const float* before = d.history.data() + (static_cast<uint64_t>(k) & d.history_mask) * t2;
    const float* after = d.history.data() + (static_cast<uint64_t>(k + 1) & d.history_mask) * t2;
    // The sums at t, interpolated; at most a few dozen terms.
    double z[2 * kMaxTerms];
    for (int i = 0; i < t2; i++) z[i] = before[i] + (f == 0.0 ? 0.0 : (after[i] - before[i]) * f);
    // Levels in units of the window's own: |C| <= sqrt(window * power).
    const double pa = d.power_history[static_cast<uint64_t>(k) & d.history_mask];
    const double pb = d.power_history[static_cast<uint64_t>(k + 1) & d.history_mask];
    const double power = pa + (f == 0.0 ? 0.0 : (pb - pa) * f);
    const double norm = power > kLeastPower ? 1.0 / (d.window * power) : 0.0;
    double pq[4 * kMaxTerms];
    for (int tone = 0; tone < kAfskTones; tone++) {
        const int lo = d.first[tone], hi = d.first[tone + 1];
        double level = 0.0;
        // The n = 0 term is the same for every phase.
        const double j0 = d.bessel[lo];
        const double base_re = j0 * z[2 * lo], base_im = j0 * z[2 * lo + 1];
        const int pairs = (hi - lo - 1) / 2;
        // Per pair n, -n (sign s = (-1)^n, Z_n = a + jb, Z_-n = c + je):
        // J_n (e^{-jn alpha} Z_n + s e^{jn alpha} Z_-n)
        //   = J_n (cos (a + s c) + sin (b - s e) + j (cos (b + s e) - sin (a - s c))).
        for (int p = 0; p < pairs; p++) {
            const int i = lo + 1 + 2 * p;  // n; i + 1 is -n
            const double j = d.bessel[i];
            const double s = d.harmonic[i] % 2 == 0 ? 1.0 : -1.0;
            const double a = z[2 * i], b = z[2 * i + 1], c = z[2 * i + 2], e = z[2 * i + 3];
            pq[4 * p] = j * (a + s * c);
            pq[4 * p + 1] = j * (b - s * e);
            pq[4 * p + 2] = j * (b + s * e);
            pq[4 * p + 3] = j * (a - s * c);
        }
        const int half = d.phases / 2;
        double even_re[kMaxPhases / 2], even_im[kMaxPhases / 2], odd_re[kMaxPhases / 2], odd_im[kMaxPhases / 2];
        for (int m = 0; m < half; m++) {
            even_re[m] = base_re;
            even_im[m] = base_im;
            odd_re[m] = odd_im[m] = 0.0;
        }
        // Pairs run n = 1, 2, ...: odd n at even p.
        for (int p = 0; p < pairs; p++) {
            const double* co = d.coef.data() + 2 * static_cast<std::size_t>(lo + 1 + 2 * p) * half;
            const double* si = co + half;
            const double p0 = pq[4 * p], p1 = pq[4 * p + 1], p2 = pq[4 * p + 2], p3 = pq[4 * p + 3];
            double* re = p % 2 == 0 ? odd_re : even_re;
            double* im = p % 2 == 0 ? odd_im : even_im;
            for (int m = 0; m < half; m++) {
                re[m] += co[m] * p0 + si[m] * p1;
                im[m] += co[m] * p2 - si[m] * p3;
            }
        }
        for (int m = 0; m < half; m++) {
            const double plus = (even_re[m] + odd_re[m]) * (even_re[m] + odd_re[m]) +
                                (even_im[m] + odd_im[m]) * (even_im[m] + odd_im[m]);
            const double minus = (even_re[m] - odd_re[m]) * (even_re[m] - odd_re[m]) +
                                 (even_im[m] - odd_im[m]) * (even_im[m] - odd_im[m]);
            level = std::max(level, std::max(plus, minus));
        }
        out.tone[tone] = std::sqrt(level * norm);
    }
    return out;
}

}  // namespace sonde::iq
