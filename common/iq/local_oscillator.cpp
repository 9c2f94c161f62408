#include "iq/local_oscillator.h"

#include <cmath>

#include "dsp/vector_clones.h"

namespace sonde::iq {

namespace {

constexpr double kPi = 3.14159265358979323846;

VECTOR_CLONES void mix_table(const float* in, float* out, const float* t, int n, float pr, float pi) {
    for (int j = 0; j < n; j++) {
        const float cr = pr * t[2 * j] - pi * t[2 * j + 1];
        const float ci = pr * t[2 * j + 1] + pi * t[2 * j];
        const float xr = in[2 * j], xi = in[2 * j + 1];
        out[2 * j] = xr * cr - xi * ci;
        out[2 * j + 1] = xr * ci + xi * cr;
    }
}

}  // namespace

void lo_init(LocalOscillator& lo, int block) {
    lo.table.assign(2 * static_cast<std::size_t>(block), 0.0f);
    lo.phase = 0.0;
    lo.cycles = 1.0;  // differs from any frequency set, so the table is made
    lo_set(lo, 0.0);
}

void lo_set(LocalOscillator& lo, double cycles_per_sample) {
    if (cycles_per_sample == lo.cycles) return;
    lo.cycles = cycles_per_sample;
    const double w = -2.0 * kPi * cycles_per_sample;
    const double sr = std::cos(w), si = std::sin(w);
    double r = 1.0, i = 0.0;
    const std::size_t n = lo.table.size() / 2;
    for (std::size_t j = 0; j < n; j++) {
        lo.table[2 * j] = static_cast<float>(r);
        lo.table[2 * j + 1] = static_cast<float>(i);
        const double nr = r * sr - i * si;
        i = r * si + i * sr;
        r = nr;
        // Exact values every 1024 steps keep the recurrence's error small.
        if ((j + 1) % 1024 == 0) {
            r = std::cos(w * static_cast<double>(j + 1));
            i = std::sin(w * static_cast<double>(j + 1));
        }
    }
}

void lo_mix(LocalOscillator& lo, const float* in, float* out, int n) {
    const double a = -2.0 * kPi * lo.phase;
    mix_table(in, out, lo.table.data(), n, static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)));
    lo.phase += lo.cycles * n;
    lo.phase -= std::floor(lo.phase);
}

}  // namespace sonde::iq
