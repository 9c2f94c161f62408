#include "fast_tone.h"

#include <cmath>

void fast_tone_init(FastTone& f, const ToneDetector& d, int option_dft) {
    f.option_dft = option_dft;
    f.same_bins = d.idx_2200 == d.idx_1200;
    for (double& h : f.hist) h = 0.0;
    f.slot = 0;
    f.samples = 0;
    f.abs_sum = 0.0;
    f.decisions = 0;
    f.fallbacks = 0;
    if (option_dft == 0)
        two_bins_init(f.two_bins, d.idx_2200, d.idx_1200);
    else
        spectrum_init(f.spectrum, d);
}

bool fast_tone_add(FastTone& f, double x) {
    const int s = f.slot;
    const double x_old = f.hist[s];  // 128 samples back: leaves the weighted span
    f.hist[s] = x;
    f.hist[s + kDftSize] = x;
    f.slot = (s + 1) & (kDftSize - 1);
    f.samples++;
    // The weighted span is the oldest 80 of the newest 128 samples; the one
    // entering it is 48 samples old.
    const double x_new = f.hist[s + kDftSize - (kDftSize - kHannLength)];
    // Samples are multiples of 2^-16 below 0.5 in magnitude: the sum of 80
    // of them is exact, so it is 0 exactly when all of them are.
    f.abs_sum += std::fabs(x_new) - std::fabs(x_old);
    if (f.samples <= kDftSize) return false;
    const double* span = f.hist + f.slot;  // oldest of the newest 128 first
    if (f.option_dft == 0)
        two_bins_step(f.two_bins, x_old, x_new, span, f.abs_sum);
    else
        spectrum_step(f.spectrum, x_old, x_new, span, f.abs_sum);
    return true;
}

void fast_tone_decide(FastTone& f, ToneDetector& d, const double* ring, int ptr, int& tone_bit) {
    f.decisions++;
    if (f.abs_sum == 0.0 || (f.option_dft == 0 && f.same_bins)) {
        // All weighted samples zero: every bin is zero. Equal magnitudes give
        // 1 in the two-bin method (as does one bin compared with itself, at
        // rates above 256 kHz); the strongest-bin search stays at bin 0.
        tone_bit = f.option_dft == 0 ? 1 : tone_from_peak(d, 0, tone_bit);
        return;
    }
    const int fast = f.option_dft == 0 ? two_bins_decision(f.two_bins, f.abs_sum)
                                       : spectrum_decision(f.spectrum, f.abs_sum, tone_bit);
    if (fast >= 0) {
        tone_bit = fast;
        return;
    }
    f.fallbacks++;
    decide_tone(d, ring, ptr, f.option_dft, tone_bit);
}

// The sums and the error bound stay in registers for the whole block; the
// arithmetic is that of two_bins_step and two_bins_decision, operation for
// operation.
void fast_tone_add_block(FastTone& f, const double* x, int count, int* decision) {
    SlidingTwoBins& s = f.two_bins;
    const TwoBinTurn turn = s.turn;
    TwoBinPair re[kTwoBinTurns], im[kTwoBinTurns];
    for (int j = 0; j < kTwoBinTurns; j++) {
        re[j] = s.re[j];
        im[j] = s.im[j];
    }
    double e = s.sum_error;
    int until_anchor = s.until_anchor;
    double abs_sum = f.abs_sum;
    int slot = f.slot;
    int64_t samples = f.samples;
    uint64_t decisions = 0, fallbacks = 0;
    double* hist = f.hist;
    const bool same_bins = f.same_bins;
    for (int i = 0; i < count; i++) {
        const int sl = slot;
        const double x_old = hist[sl];
        hist[sl] = x[i];
        hist[sl + kDftSize] = x[i];
        slot = (sl + 1) & (kDftSize - 1);
        samples++;
        const double x_new = hist[sl + kDftSize - (kDftSize - kHannLength)];
        abs_sum += std::fabs(x_new) - std::fabs(x_old);
        if (samples <= kDftSize) {
            decision[i] = -2;
            continue;
        }
        if (until_anchor == 0) {
            two_bins_anchor(s, hist + slot, abs_sum);
            for (int j = 0; j < kTwoBinTurns; j++) {
                re[j] = s.re[j];
                im[j] = s.im[j];
            }
            e = s.sum_error;
            until_anchor = s.until_anchor;
        } else {
            until_anchor--;
            e = two_bins_error_after(e, abs_sum, x_old, x_new);
            two_bins_advance(turn, re, im, x_old, x_new);
        }
        decisions++;
        if (abs_sum == 0.0 || same_bins) {
            decision[i] = 1;
            continue;
        }
        const TwoBinPair p = two_bins_powers(re, im);
        const int d = two_bins_decide(p[0], p[1], e, abs_sum);
        fallbacks += d < 0;
        decision[i] = d;
    }
    for (int j = 0; j < kTwoBinTurns; j++) {
        s.re[j] = re[j];
        s.im[j] = im[j];
    }
    s.sum_error = e;
    s.until_anchor = until_anchor;
    f.abs_sum = abs_sum;
    f.slot = slot;
    f.samples = samples;
    f.decisions += decisions;
    f.fallbacks += fallbacks;
}
