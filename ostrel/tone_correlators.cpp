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
    c.bit_samples = sample_rate / kBitRate;
    c.window = static_cast<int>(std::lround(c.bit_samples));
    if (c.window < 1) c.window = 1;
    c.dc = sonde::dc_tracker_make(kDcSeconds * sample_rate);
    c.mean_abs = 0.0;
    c.settled = false;
    c.mean_rate = 1.0 / (kDcSeconds * sample_rate);
    c.click_hold = std::max(1, static_cast<int>(std::lround(kClickSeconds * sample_rate)));
    c.blank = 0;
    c.blank_share = 0.0;
    // The limited tone (+-1) sums to about 2/pi * window over the window.
    c.one_re = c.zero_re = 1.0 / c.window;
    c.one_im = c.zero_im = 0.0;
    const double w1 = -2.0 * kPi * kToneOneHz / sample_rate;
    const double w0 = -2.0 * kPi * kToneZeroHz / sample_rate;
    c.one_step_re = std::cos(w1);
    c.one_step_im = std::sin(w1);
    c.zero_step_re = std::cos(w0);
    c.zero_step_im = std::sin(w0);
    c.products.assign(static_cast<std::size_t>(c.window), ToneSums{});
    c.product_pos = 0;
    c.sum = ToneSums{};
    const uint64_t need = static_cast<uint64_t>(std::ceil(kHistoryBits * c.bit_samples)) + 4;
    const uint64_t cap = std::bit_ceil(need);
    c.history.assign(cap, ToneSums{});
    c.history_mask = cap - 1;
    c.taken = 0;
    c.tidy_count = 0;
}

void tone_correlators_tidy(ToneCorrelators& c) {
    c.tidy_count = 0;
    // Both phasors keep the magnitude they started with.
    const double mag = 1.0 / c.window;
    const double m1 = std::sqrt(c.one_re * c.one_re + c.one_im * c.one_im);
    const double m0 = std::sqrt(c.zero_re * c.zero_re + c.zero_im * c.zero_im);
    c.one_re *= mag / m1;
    c.one_im *= mag / m1;
    c.zero_re *= mag / m0;
    c.zero_im *= mag / m0;
    ToneSums s;
    for (const ToneSums& p : c.products) {
        s.one_re += p.one_re;
        s.one_im += p.one_im;
        s.zero_re += p.zero_re;
        s.zero_im += p.zero_im;
    }
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
    s.one_re = a.one_re + (b.one_re - a.one_re) * f;
    s.one_im = a.one_im + (b.one_im - a.one_im) * f;
    s.zero_re = a.zero_re + (b.zero_re - a.zero_re) * f;
    s.zero_im = a.zero_im + (b.zero_im - a.zero_im) * f;
    return s;
}

ToneLevelsAt tone_magnitudes(const ToneSums& s) {
    ToneLevelsAt m;
    m.one = std::sqrt(s.one_re * s.one_re + s.one_im * s.one_im);
    m.zero = std::sqrt(s.zero_re * s.zero_re + s.zero_im * s.zero_im);
    return m;
}

}  // namespace sonde::ostrel
