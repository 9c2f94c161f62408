#include "iq/fir_stages.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "iq/fir_design.h"
#include "iq/kernels.h"

namespace sonde::iq {

namespace {

int round_up(int v, int m) { return (v + m - 1) / m * m; }

}  // namespace

void fir_init(DecimatingFir& f, const std::vector<double>& h, int decim, int max_in) {
    f.taps = static_cast<int>(h.size());
    f.decim = std::max(1, decim);
    f.len2 = round_up(2 * f.taps, kDotLanes);
    f.h2.assign(static_cast<std::size_t>(f.len2), 0.0f);
    for (int i = 0; i < f.taps; i++) {
        const float v = static_cast<float>(h[static_cast<std::size_t>(f.taps - 1 - i)]);
        f.h2[static_cast<std::size_t>(2 * i)] = v;
        f.h2[static_cast<std::size_t>(2 * i + 1)] = v;
    }
    // Held samples, a block, and the padding the last dot product reads.
    f.buf.assign(static_cast<std::size_t>(2 * (f.taps + f.decim + max_in) + f.len2), 0.0f);
    f.held = f.taps - 1;
    f.delay = 0.5 * (f.taps - 1);
}

int fir_run(DecimatingFir& f, const float* in, int n, float* out) {
    float* b = f.buf.data();
    std::memcpy(b + 2 * f.held, in, sizeof(float) * 2 * static_cast<std::size_t>(n));
    const int total = f.held + n;
    const int n_out = total >= f.taps ? (total - f.taps) / f.decim + 1 : 0;
    if (n_out > 0) fir_complex(b, f.decim, f.h2.data(), f.len2, out, n_out);
    const int next = n_out * f.decim;
    f.held = total - next;
    std::memmove(b, b + 2 * next, sizeof(float) * 2 * static_cast<std::size_t>(f.held));
    return n_out;
}

bool resampler_init(Resampler& r, double rate_in, double rate_out, double cutoff_hz, double transition_hz, int max_in) {
    if (!(rate_in > 0.0) || !(rate_out > 0.0) || !(cutoff_hz > 0.0) || !(transition_hz > 0.0)) return false;
    const double rate = std::min(rate_in, rate_out);
    // The cutoff is kept below the lower rate's Nyquist frequency.
    const double cut = std::min(cutoff_hz, 0.5 * rate - 0.5 * transition_hz);
    r.taps = round_up(kaiser_taps(transition_hz, rate_in, 60.0) + 1, 2);
    r.len = round_up(r.taps, kDotLanes);
    const std::vector<double> bank = kaiser_bank(kResamplerPhases, r.taps, cut / rate_in, 60.0);
    r.bank.assign(static_cast<std::size_t>(kResamplerPhases) * static_cast<std::size_t>(r.len), 0.0f);
    for (int p = 0; p < kResamplerPhases; p++)
        for (int q = 0; q < r.taps; q++)
            r.bank[static_cast<std::size_t>(p * r.len + q)] =
                static_cast<float>(bank[static_cast<std::size_t>(p * r.taps + q)]);
    r.step = static_cast<uint64_t>(std::llround(rate_in / rate_out * 4294967296.0));
    r.buf.assign(static_cast<std::size_t>(r.taps + max_in + r.len + 4), 0.0f);
    r.held = r.taps - 1;
    r.t = 0;
    const int most = resampler_max_out(r, max_in);
    r.at.assign(static_cast<std::size_t>(most), 0);
    r.phase.assign(static_cast<std::size_t>(most), 0);
    // Output at t reads inputs from floor(t) on, centred taps / 2 - 1 after it.
    r.delay = 0.5 * r.taps - 1.0;
    return true;
}

int resampler_max_out(const Resampler& r, int n) {
    return static_cast<int>((static_cast<uint64_t>(n + r.taps) << 32) / r.step) + 2;
}

int resampler_run(Resampler& r, const float* in, int n, float* out) {
    float* b = r.buf.data();
    std::memcpy(b + r.held, in, sizeof(float) * static_cast<std::size_t>(n));
    const int total = r.held + n;
    int m = 0;
    uint64_t t = r.t;
    while (static_cast<int64_t>(t >> 32) + r.taps <= total) {
        // Nearest of the phases; the last rounds up to the next sample.
        const uint64_t q = ((t & 0xffffffffu) * kResamplerPhases + 0x80000000u) >> 32;
        const uint64_t tt = (t & ~uint64_t{0xffffffffu}) + (q == kResamplerPhases ? (uint64_t{1} << 32) : 0);
        if (static_cast<int64_t>(tt >> 32) + r.taps > total) break;
        r.at[static_cast<std::size_t>(m)] = static_cast<int32_t>(tt >> 32);
        r.phase[static_cast<std::size_t>(m)] = static_cast<uint16_t>(q == kResamplerPhases ? 0 : q);
        m++;
        t += r.step;
    }
    resample_real(b, r.bank.data(), r.len, r.at.data(), r.phase.data(), out, m);
    const int drop = std::min(static_cast<int>(t >> 32), total);
    r.held = total - drop;
    std::memmove(b, b + drop, sizeof(float) * static_cast<std::size_t>(r.held));
    r.t = t - (static_cast<uint64_t>(drop) << 32);
    return m;
}

}  // namespace sonde::iq
