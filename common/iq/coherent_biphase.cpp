#include "iq/coherent_biphase.h"

#include <algorithm>
#include <cmath>

#include "dsp/soft_sync.h"

namespace sonde::iq {

namespace {

constexpr double kHalfPi = 1.57079632679489661923;

// The integrals of one read, with the start moved by delta samples; false
// when the samples are not held. Returns the reference's strength (the sum
// of |window sums| over disjoint windows) in *strength.
bool integrate(CoherentBiphase& c, const SampleRing& ring, const BiphaseFrame& f, double delta, double* strength) {
    const int nb = f.known_bits + 2 * f.symbols;
    const double origin = f.start + delta - f.known_bits * f.period;
    const auto n0 = static_cast<int64_t>(std::ceil(origin));
    const auto n1 = static_cast<int64_t>(std::ceil(origin + nb * f.period));
    if (n0 < ring.first || n1 > ring.end) return false;
    std::fill(c.zc.begin(), c.zc.begin() + nb, std::complex<double>{});
    std::fill(c.samples.begin(), c.samples.begin() + nb, 0);
    std::fill(c.weighted.begin(), c.weighted.begin() + f.symbols, std::complex<double>{});
    // The phase path's value at each channel bit's start, relative to the first.
    double phase = 0.0;
    for (int b = 0; b < nb; b++) {
        c.phase[static_cast<std::size_t>(b)] = phase;
        phase += c.dir[static_cast<std::size_t>(b)] * kHalfPi;
    }
    // Per channel bit, the path's phasor and sin psi (the imaginary part of
    // e^{j pi/2 v}, v the time into the symbol in channel bits) each turn by
    // a fixed step per sample: one polar per bit, not per sample.
    const double turn = kHalfPi / f.period;
    const std::complex<double> down = std::polar(1.0, -turn), up = std::conj(down);
    for (int b = 0; b < nb; b++) {
        const auto bi = static_cast<std::size_t>(b);
        const double from = origin + b * f.period;
        const auto lo = static_cast<int64_t>(std::ceil(from));
        const auto hi = static_cast<int64_t>(std::ceil(from + f.period));
        if (hi <= lo) continue;
        const double frac = (static_cast<double>(lo) - from) / f.period;
        const int d = c.dir[bi];
        std::complex<double> path = std::polar(1.0, -(c.phase[bi] + d * kHalfPi * frac));
        const std::complex<double> step = d > 0 ? down : up;
        const int in_body = b - f.known_bits;
        std::complex<double> hump = std::polar(1.0, kHalfPi * ((in_body & 1) + frac));
        std::complex<double> z{}, w{};
        for (int64_t n = lo; n < hi; n++) {
            const std::complex<float> s = ring.z[n & ring.mask];
            // A sample that is not a number counts as none.
            const std::complex<double> y(std::isfinite(s.real()) ? s.real() : 0.0,
                                         std::isfinite(s.imag()) ? s.imag() : 0.0);
            z += y * path;
            w += y * hump.imag();
            path *= step;
            hump *= up;
        }
        c.zc[bi] = z;
        c.samples[bi] = static_cast<int>(hi - lo);
        if (in_body >= 0) c.weighted[static_cast<std::size_t>(in_body >> 1)] += w;
    }
    c.cum[0] = 0.0;
    c.cum_samples[0] = 0;
    for (int b = 0; b < nb; b++) {
        const auto bi = static_cast<std::size_t>(b);
        c.cum[bi + 1] = c.cum[bi] + c.zc[bi];
        c.cum_samples[bi + 1] = c.cum_samples[bi] + c.samples[bi];
    }
    double sum = 0.0;
    const int w = std::max(1, c.cfg.window_bits);
    for (int b = 0; b < nb; b += w)
        sum += std::abs(c.cum[static_cast<std::size_t>(std::min(nb, b + w))] - c.cum[static_cast<std::size_t>(b)]);
    *strength = sum;
    return true;
}

// The residual frequency in radians per channel bit: the mean turn between
// successive blocks of channel bits of the turned-back integrals. Blocks of
// half the reference's window keep the turn unambiguous up to a quarter of
// the channel bit rate over the window (150 Hz at 64 bits).
double residual_turn(const CoherentBiphase& c, int nb) {
    const int block = std::max(1, std::max(1, c.cfg.window_bits) / 2);
    std::complex<double> pairs{}, prev{};
    for (int b = 0; b + block <= nb; b += block) {
        const std::complex<double> s = c.cum[static_cast<std::size_t>(b + block)] - c.cum[static_cast<std::size_t>(b)];
        if (b > 0) pairs += s * std::conj(prev);
        prev = s;
    }
    return std::abs(pairs) > 0.0 ? std::arg(pairs) / block : 0.0;
}

// The coherent statistic per symbol from the last integration.
void statistic(CoherentBiphase& c, const BiphaseFrame& f, float* soft) {
    const int nb = f.known_bits + 2 * f.symbols;
    const int half = std::max(1, c.cfg.window_bits) / 2;
    // The reference from integrals held still: channel bit b turned back by
    // the residual's turn at b, the window's sum turned forward to the
    // symbol's middle (the start of its second channel bit; an integral
    // stands for its bit's middle, half a bit later than b).
    c.turn_per_bit = residual_turn(c, nb);
    const std::complex<double> back = std::polar(1.0, -c.turn_per_bit);
    std::complex<double> rot = 1.0;
    c.cum_still[0] = 0.0;
    for (int b = 0; b < nb; b++) {
        const auto bi = static_cast<std::size_t>(b);
        c.cum_still[bi + 1] = c.cum_still[bi] + c.zc[bi] * rot;
        rot *= back;
    }
    const std::complex<double> body = std::polar(1.0, -c.phase[static_cast<std::size_t>(f.known_bits)]);
    for (int k = 0; k < f.symbols; k++) {
        const int centre = f.known_bits + 2 * k + 1;
        const auto lo = static_cast<std::size_t>(std::max(0, centre - half));
        const auto hi = static_cast<std::size_t>(std::min(nb, centre + half));
        const std::complex<double> ref =
            (c.cum_still[hi] - c.cum_still[lo]) * std::polar(1.0, c.turn_per_bit * (centre - 0.5));
        const double mag = std::abs(ref);
        const int ns = c.cum_samples[hi] - c.cum_samples[lo];
        if (!(mag > 0.0) || ns <= 0) {
            soft[k] = 0.0f;
            continue;
        }
        // Im{conj(ref) w} / |ref|, over the amplitude per sample times the
        // symbol's sum of sin^2 psi (a channel bit's samples).
        const double s = f.up * std::imag(std::conj(ref) * c.weighted[static_cast<std::size_t>(k)] * body) / mag;
        const double amp = mag / ns;
        const double v = s / (amp * f.period);
        soft[k] = std::isfinite(v) ? static_cast<float>(v) : 0.0f;
    }
}

// Body channel bits' directions from decisions (positive: symbol 1).
template <class Decision>
void decide(CoherentBiphase& c, const BiphaseFrame& f, Decision one) {
    for (int k = 0; k < f.symbols; k++) {
        const signed char d = static_cast<signed char>(one(k) ? f.up : -f.up);
        c.dir[static_cast<std::size_t>(f.known_bits + 2 * k)] = d;
        c.dir[static_cast<std::size_t>(f.known_bits + 2 * k + 1)] = static_cast<signed char>(-d);
    }
}

}  // namespace

void coherent_biphase_init(CoherentBiphase& c, const BiphaseConfig& cfg, int max_bits) {
    c.cfg = cfg;
    c.max_bits = max_bits;
    const auto n = static_cast<std::size_t>(max_bits);
    c.dir.assign(n, 1);
    c.zc.assign(n, {});
    c.samples.assign(n, 0);
    c.phase.assign(n + 1, 0.0);
    c.cum.assign(n + 1, {});
    c.cum_still.assign(n + 1, {});
    c.cum_samples.assign(n + 1, 0);
    c.weighted.assign(n / 2 + 1, {});
    c.offset_bits = 0.0;
    c.turn_per_bit = 0.0;
}

bool coherent_biphase_read(CoherentBiphase& c, const SampleRing& ring, const BiphaseFrame& f, const unsigned char* hard,
                           float* soft) {
    if (f.symbols <= 0 || f.known_bits < 0 || f.known_bits + 2 * f.symbols > c.max_bits) return false;
    if (!(f.period >= 1.0) || !(f.period < 1e6) || !std::isfinite(f.start)) return false;
    for (int b = 0; b < f.known_bits; b++) c.dir[static_cast<std::size_t>(b)] = f.known[b] >= 0 ? 1 : -1;
    decide(c, f, [hard](int k) { return hard[k] != 0; });
    // The start: the strongest reference over a grid, then a parabola's peak.
    const int steps = std::max(0, c.cfg.search_steps);
    const double step = steps > 0 ? c.cfg.search_bits * f.period / steps : 0.0;
    double best = -1.0, below = 0.0, above = 0.0, prev = 0.0;
    int at = 0;
    for (int i = -steps; i <= steps; i++) {
        double m = 0.0;
        if (!integrate(c, ring, f, i * step, &m)) return false;
        if (m > best) {
            best = m;
            at = i;
            below = i > -steps ? prev : m;
            above = m;
        } else if (i == at + 1) {
            above = m;
        }
        prev = m;
    }
    double delta = at * step;
    if (at > -steps && at < steps) delta += sonde::parabola_peak_offset(below, best, above) * step;
    c.offset_bits = delta / f.period;
    const int passes = std::max(1, c.cfg.passes);
    for (int p = 0; p < passes; p++) {
        double m = 0.0;
        if (!integrate(c, ring, f, delta, &m)) return false;
        statistic(c, f, soft);
        if (p + 1 < passes) decide(c, f, [soft](int k) { return soft[k] > 0.0f; });
    }
    return true;
}

}  // namespace sonde::iq
