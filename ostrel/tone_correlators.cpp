#include "ostrel/tone_correlators.h"

#include <bit>
#include <algorithm>
#include <cmath>

#include "ostrel/bit_timing.h"

namespace sonde::ostrel {

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kDcSeconds = 0.02;  // offset tracker time constant: many tone periods
// Blanking a click and the next 50 us (about a click's width after the
// receiver's filters) gains more than 1 dB near the FM threshold.
constexpr double kClickSeconds = 50e-6;
}  // namespace

void tone_correlators_init(ToneCorrelators& c, double sample_rate) {
    c = ToneCorrelators{};
    c.bit_samples = sample_rate / kBitRate;
    c.window = static_cast<int>(std::lround(c.bit_samples));
    if (c.window < 1) c.window = 1;
    c.dc = sonde::dc_tracker_make(kDcSeconds * sample_rate);
    c.mean_rate = 1.0 / (kDcSeconds * sample_rate);
    c.click_hold = std::max(1, static_cast<int>(std::lround(kClickSeconds * sample_rate)));
    // The limited tone (+-1) sums to about 2/pi * window over the window.
    c.phasor = {{1.0 / c.window, 0.0, 1.0 / c.window, 0.0}};
    const double w1 = -2.0 * kPi * kToneOneHz / sample_rate;
    const double w0 = -2.0 * kPi * kToneZeroHz / sample_rate;
    c.step = {{std::cos(w1), std::sin(w1), std::cos(w0), std::sin(w0)}};
    c.products.assign(static_cast<std::size_t>(c.window), ToneSums{});
    const uint64_t need = static_cast<uint64_t>(std::ceil(kHistoryBits * c.bit_samples)) + 4;
    const uint64_t cap = std::bit_ceil(need);
    c.history.assign(cap, ToneSums{});
    c.history_mask = cap - 1;
}

void tone_correlators_tidy(ToneCorrelators& c) {
    c.tidy_count = 0;
    // Both phasors keep the magnitude they started with.
    const double mag = 1.0 / c.window;
    for (int j = 0; j < 4; j += 2) {
        double* z = c.phasor.part + j;
        const double m = std::sqrt(z[0] * z[0] + z[1] * z[1]);
        z[0] *= mag / m;
        z[1] *= mag / m;
    }
    ToneSums s;
    for (const ToneSums& p : c.products)
        for (int j = 0; j < 4; j++) s.part[j] += p.part[j];
    c.sum = s;
}

ToneSums tone_sums_at(const ToneCorrelators& c, double t) {
    const double fl = std::floor(t);
    const double f = t - fl;
    const auto k = static_cast<int64_t>(fl);
    const ToneSums& a = c.history[static_cast<uint64_t>(k) & c.history_mask];
    if (f == 0.0) return a;
    const ToneSums& b = c.history[static_cast<uint64_t>(k + 1) & c.history_mask];
    ToneSums s;
    for (int j = 0; j < 4; j++) s.part[j] = a.part[j] + (b.part[j] - a.part[j]) * f;
    return s;
}

ToneLevelsAt tone_magnitudes(const ToneSums& s) {
    const double* p = s.part;
    return {std::sqrt(p[0] * p[0] + p[1] * p[1]), std::sqrt(p[2] * p[2] + p[3] * p[3])};
}

}  // namespace sonde::ostrel
