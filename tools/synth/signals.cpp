#include "synth/signals.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kTwoPi = 6.283185307179586;

// Samples up to the first sample index at or after `bits` bit periods.
uint64_t sample_end(double sample_rate, double bit_rate, double bits) {
    return static_cast<uint64_t>(std::ceil(bits * sample_rate / bit_rate - 1e-9));
}
}  // namespace

void baseband_bits(BasebandGen& g, std::vector<double>& out, std::string_view bits) {
    for (char c : bits) baseband_hold(g, out, c == '1' ? 1.0 : -1.0, 1.0);
}

void baseband_hold(BasebandGen& g, std::vector<double>& out, double level, double nbits) {
    g.bits_sent += nbits;
    uint64_t end = sample_end(g.sample_rate, g.bit_rate, g.bits_sent);
    for (; g.samples < end; g.samples++) out.push_back(level * g.amplitude);
}

void afsk_bits(AfskGen& g, std::vector<double>& out, std::string_view bits) {
    for (char c : bits) {
        g.bits_sent += 1.0;
        const uint64_t end = sample_end(g.sample_rate, g.baud, g.bits_sent);
        const double step = kTwoPi * (c == '1' ? g.freq_one : g.freq_zero) / g.sample_rate;
        for (; g.samples < end; g.samples++) {
            out.push_back(g.amplitude * std::sin(g.phase));
            g.phase += step;
            if (g.phase >= kTwoPi) g.phase -= kTwoPi;
        }
    }
}

std::string ten_bit_groups(const uint8_t* bytes, std::size_t n) {
    std::string bits;
    bits.reserve(n * 10);
    for (std::size_t i = 0; i < n; i++) {
        bits.push_back('0');
        for (int k = 0; k < 8; k++) bits.push_back(((bytes[i] >> k) & 1) ? '1' : '0');
        bits.push_back('1');
    }
    return bits;
}

Gaussian gaussian_seeded(uint64_t seed) { return Gaussian{seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull}; }

static uint64_t splitmix64(uint64_t& s) {
    uint64_t z = (s += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double gaussian_next(Gaussian& g) {
    if (g.has_spare) {
        g.has_spare = false;
        return g.spare;
    }
    double u1, u2;
    do {
        u1 = static_cast<double>(splitmix64(g.state) >> 11) * 0x1.0p-53;
    } while (u1 <= 0.0);
    u2 = static_cast<double>(splitmix64(g.state) >> 11) * 0x1.0p-53;
    double r = std::sqrt(-2.0 * std::log(u1));
    g.spare = r * std::sin(kTwoPi * u2);
    g.has_spare = true;
    return r * std::cos(kTwoPi * u2);
}

void add_noise_sigma(std::vector<double>& x, double sigma, uint64_t seed) {
    Gaussian g = gaussian_seeded(seed);
    for (double& v : x) v += sigma * gaussian_next(g);
}

void add_noise(std::vector<double>& x, double snr_db, uint64_t seed) {
    if (x.empty()) return;
    double power = 0.0;
    for (double v : x) power += v * v;
    power /= static_cast<double>(x.size());
    double sigma = std::sqrt(power / std::pow(10.0, snr_db / 10.0));
    add_noise_sigma(x, sigma, seed);
}

void add_dc(std::vector<double>& x, double offset) {
    for (double& v : x) v += offset;
}

void add_dc_drift(std::vector<double>& x, double sample_rate, double amplitude, double period_s) {
    for (std::size_t i = 0; i < x.size(); i++)
        x[i] += amplitude * std::sin(kTwoPi * static_cast<double>(i) / (sample_rate * period_s));
}

void smooth(std::vector<double>& x, int taps) {
    if (taps <= 1 || x.empty()) return;
    std::vector<double> y(x.size());
    const long n = static_cast<long>(x.size());
    const long half = taps / 2;
    double acc = 0.0;
    // Running sum over the window [i - half, i - half + taps).
    for (long i = -half; i < -half + taps; i++) acc += x[static_cast<std::size_t>(std::clamp(i, 0L, n - 1))];
    for (long i = 0; i < n; i++) {
        y[static_cast<std::size_t>(i)] = acc / taps;
        long leave = std::clamp(i - half, 0L, n - 1);
        long enter = std::clamp(i - half + taps, 0L, n - 1);
        acc += x[static_cast<std::size_t>(enter)] - x[static_cast<std::size_t>(leave)];
    }
    x.swap(y);
}
