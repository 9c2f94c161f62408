// Non-coherent tone correlators of the weak-signal receiver. Near the FM
// threshold most bit errors come from clicks, spikes of the discriminator
// far above the tones. The audio, its offset removed, goes through a hard
// limiter (its sign), which keeps the tones' timing and flattens clicks;
// samples well above the tones' level are blanked, with a few after them.
// Two sliding correlators over one bit (1200 Hz and 2200 Hz, rotating
// phasors, running sums over a ring of products) measure each tone in O(1)
// per sample; a history of the sums lets the clock read the window ending at
// any fractional time of the last bits.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "dsp/dc_tracker.h"

namespace sonde::ostrel {

constexpr double kToneOneHz = 1200.0;
constexpr double kToneZeroHz = 2200.0;
// Bits of history the clock and the sync search can look back: a start is
// confirmed ten bits after the pattern ends, and its 30 bits are read again.
constexpr int kHistoryBits = 48;
// Near the FM threshold clicks blank a few per cent of the samples.
constexpr double kMaxBlankShare = 0.06;
// A tone's peak is pi/2 times its mean magnitude; twice the mean is a click.
constexpr double kClickRatio = 2.0;

// Complex sums of the two correlators over one window: 1200 Hz re, im,
// 2200 Hz re, im.
struct ToneSums {
    double part[4] = {};
};

struct ToneCorrelators {
    double bit_samples = 40.0;  // sample_rate / 1200, fractional
    int window = 40;            // correlator length in samples
    sonde::DcTracker dc;        // the audio's offset (a tuning offset is a DC level)
    double mean_abs = 0.0;      // mean |audio - offset|
    double mean_rate = 0.0;
    bool settled = false;      // mean_abs past its plain start-up mean
    int click_hold = 0;        // samples blanked after a click
    int blank = 0;             // samples still to blank
    double blank_share = 0.0;  // share of samples blanked lately
    // Phasors of magnitude 1 / window (tidy restores it), in ToneSums' order:
    // current value and step per sample.
    ToneSums phasor, step;
    std::vector<ToneSums> products;  // the last `window` products
    int product_pos = 0;
    ToneSums sum;
    std::vector<ToneSums> history;  // sum after each sample, newest at index `taken - 1`
    uint64_t history_mask = 0;
    int64_t taken = 0;  // samples taken so far
    int tidy_count = 0;
};

// Sets up for a sample rate (Hz, > 0). Allocates; nothing later does.
void tone_correlators_init(ToneCorrelators& c, double sample_rate);

// Re-derives the phasor magnitudes and the running sums from scratch, to
// stop rounding from piling up; called every few thousand samples.
void tone_correlators_tidy(ToneCorrelators& c);

inline void tone_correlators_add(ToneCorrelators& c, double x) {
    const double level = sonde::dc_tracker_update(c.dc, x);
    const double a = std::fabs(x - level);
    // A plain mean to start with, then one that a click moves little. The
    // plain mean's weight 1 / seen only falls: once settled, always.
    if (!c.settled) {
        const double start = 1.0 / static_cast<double>(c.dc.seen);
        c.settled = start <= c.mean_rate;
        if (!c.settled) c.mean_abs += (a - c.mean_abs) * start;
    }
    if (c.settled) c.mean_abs += (std::min(a, 3.0 * c.mean_abs) - c.mean_abs) * c.mean_rate;
    // Audio that is mostly noise crosses the click level often; there the
    // samples are all kept (blanking would cut the signal, not clicks).
    if (c.settled && a > kClickRatio * c.mean_abs && c.blank_share < kMaxBlankShare) c.blank = c.click_hold;
    double v = x > level ? 1.0 : (x < level ? -1.0 : 0.0);
    c.blank_share -= c.blank_share * c.mean_rate;
    if (c.blank > 0) {
        c.blank--;
        c.blank_share += c.mean_rate;
        v = 0.0;
    }
    ToneSums p;
    for (int j = 0; j < 4; j++) p.part[j] = v * c.phasor.part[j];
    ToneSums& old = c.products[c.product_pos];
    for (int j = 0; j < 4; j++) c.sum.part[j] += p.part[j] - old.part[j];
    old = p;
    if (++c.product_pos == c.window) c.product_pos = 0;
    for (int j = 0; j < 4; j += 2) {
        double* z = c.phasor.part + j;
        const double* w = c.step.part + j;
        const double re = z[0] * w[0] - z[1] * w[1];
        z[1] = z[0] * w[1] + z[1] * w[0];
        z[0] = re;
    }
    c.history[static_cast<uint64_t>(c.taken) & c.history_mask] = c.sum;
    c.taken++;
    if (++c.tidy_count == 4096) tone_correlators_tidy(c);
}

// Sums of the window that ends at time t (in samples: the window after
// sample k ends at t = k), interpolated linearly between samples. Needs
// taken - kHistoryBits * bit_samples < t <= taken - 1.
ToneSums tone_sums_at(const ToneCorrelators& c, double t);

// Magnitudes of the two correlators.
struct ToneLevelsAt {
    double one = 0.0;
    double zero = 0.0;
};
ToneLevelsAt tone_magnitudes(const ToneSums& s);

// The levels of the window ending at t, as robust_core.h reads a tone source.
inline ToneLevelsAt tone_levels_at(const ToneCorrelators& c, double t) { return tone_magnitudes(tone_sums_at(c, t)); }
inline double tone_dc(const ToneCorrelators& c) { return c.dc.level; }

}  // namespace sonde::ostrel
