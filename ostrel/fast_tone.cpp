#include "ostrel/fast_tone.h"

#include <cmath>

namespace sonde::ostrel {

void fast_tone_init(FastTone& f, const ToneDetector& d, int option_dft) {
    f.option_dft = option_dft;
    f.same_bins = d.idx_2200 == d.idx_1200;
    for (double& h : f.hist) h = 0.0;
    f.slot = 0;
    f.samples = 0;
    f.abs_sum = 0.0;
    f.pending = -2;
    f.decisions = 0;
    f.fallbacks = 0;
    if (option_dft == 0)
        two_bins_init(f.two_bins, d.idx_2200, d.idx_1200);
    else
        spectrum_init(f.spectrum, d);
}

namespace {

// Moves the history on by the newest scaled sample x: x_old leaves the
// weighted span, x_new enters it, and abs_sum follows. True once the
// window is full. The block loop keeps slot, samples and abs_sum in
// registers, hence the separate references.
inline bool history_step(double* hist, int& slot, int64_t& samples, double& abs_sum, double x, double& x_old,
                         double& x_new) {
    const int s = slot;
    x_old = hist[s];  // 128 samples back: leaves the weighted span
    hist[s] = x;
    hist[s + kDftSize] = x;
    slot = (s + 1) & (kDftSize - 1);
    samples++;
    // The weighted span is the oldest 80 of the newest 128 samples; the one
    // entering it is 48 samples old.
    x_new = hist[s + kDftSize - (kDftSize - kHannLength)];
    // Samples are multiples of 2^-16 below 0.5 in magnitude: the sum of 80
    // of them is exact, so it is 0 exactly when all of them are.
    abs_sum += std::fabs(x_new) - std::fabs(x_old);
    return samples > kDftSize;
}

}  // namespace

bool fast_tone_add(FastTone& f, double x) {
    if (f.option_dft == 0) {
        // A block of one: the decision is taken now and waits for fast_tone_decide.
        fast_tone_add_block(f, &x, 1, &f.pending);
        return f.pending != -2;
    }
    double x_old, x_new;
    if (!history_step(f.hist, f.slot, f.samples, f.abs_sum, x, x_old, x_new)) return false;
    spectrum_step(f.spectrum, x_old, x_new, f.hist + f.slot, f.abs_sum);  // oldest of the newest 128 first
    return true;
}

void fast_tone_decide(FastTone& f, ToneDetector& d, const double* ring, int ptr, int& tone_bit) {
    int fast = f.pending;  // the two-bin method counted it when it took it
    if (f.option_dft != 0) {
        f.decisions++;
        if (f.abs_sum == 0.0) {
            // All weighted samples zero: every bin is zero; the strongest-bin
            // search stays at bin 0.
            tone_bit = tone_from_peak(d, 0, tone_bit);
            return;
        }
        fast = spectrum_decision(f.spectrum, f.abs_sum, tone_bit);
        if (fast < 0) f.fallbacks++;
    }
    if (fast >= 0) {
        tone_bit = fast;
        return;
    }
    decide_tone(d, ring, ptr, f.option_dft, tone_bit);
}

// The sums and the error bound stay in registers for the whole block.
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
        double x_old, x_new;
        if (!history_step(hist, slot, samples, abs_sum, x[i], x_old, x_new)) {
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
        // All weighted samples zero, or one bin compared with itself (at
        // rates above 256 kHz): equal magnitudes give 1.
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

}  // namespace sonde::ostrel
