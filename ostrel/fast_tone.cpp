#include "ostrel/fast_tone.h"

#include <cmath>
#include <cstring>

namespace sonde::ostrel {

void fast_tone_init(FastTone& f, const ToneDetector& d, int option_dft) {
    f.option_dft = option_dft;
    f.samples = 0;
    std::memset(f.hist, 0, sizeof f.hist);
    std::memset(f.hist_float, 0, sizeof f.hist_float);
    f.abs_sum = 0.0;
    f.decisions = 0;
    f.fallbacks = 0;
    if (option_dft == 0)
        two_bins_init(f.two_bins, d.idx_2200, d.idx_1200);
    else
        spectrum_init(f.spectrum, d);
}

namespace {

// The direct transform's decision on the 128 samples from window on.
int8_t decide_directly(FastTone& f, ToneDetector& d, const double* window) {
    f.fallbacks++;
    int tone = kToneKept;
    window_span(d, window);
    tone_decision(d, f.option_dft, tone);
    return static_cast<int8_t>(tone);
}

}  // namespace

void fast_tone_block(FastTone& f, ToneDetector& d, const double* x, int count, int8_t* decision) {
    double* h = f.hist;
    for (int i = 0; i < count; i++) {
        h[kDftSize + i] = x[i];
        f.hist_float[kDftSize + i] = static_cast<float>(x[i]);
    }
    // Windows before the 129th sample are not full.
    const int first_full = f.samples >= kDftSize ? 0 : static_cast<int>(kDftSize - f.samples);
    if (f.option_dft == 0) {
        two_bins_decide(f.two_bins, f.hist_float, f.samples, count, decision);
        for (int i = 0; i < count && i < first_full; i++) decision[i] = kToneNotFull;
        for (int i = first_full; i < count; i++)
            if (decision[i] < 0) decision[i] = decide_directly(f, d, h + i + 1);
        if (count > first_full) f.decisions += static_cast<uint64_t>(count - first_full);
    } else {
        for (int i = 0; i < count; i++) {
            const double x_old = h[i];
            const double x_new = h[i + kHannLength];
            // Samples are multiples of 2^-16 below 1/2 in magnitude: the sum
            // of 80 of them is exact, so it is 0 exactly when all of them are.
            f.abs_sum += std::fabs(x_new) - std::fabs(x_old);
            if (i < first_full) {
                decision[i] = kToneNotFull;
                continue;
            }
            spectrum_step(f.spectrum, x_old, x_new, h + i + 1, f.abs_sum);
            f.decisions++;
            if (f.abs_sum == 0.0) {
                // All weighted samples zero: every bin is zero; the
                // strongest-bin search stays at bin 0.
                decision[i] = static_cast<int8_t>(tone_from_peak(d, 0, kToneKept));
                continue;
            }
            const int fast = spectrum_decision(f.spectrum, f.abs_sum, kToneKept);
            decision[i] = fast >= 0 ? static_cast<int8_t>(fast) : decide_directly(f, d, h + i + 1);
        }
    }
    f.samples += count;
    std::memmove(h, h + count, kDftSize * sizeof h[0]);
    std::memmove(f.hist_float, f.hist_float + count, kDftSize * sizeof f.hist_float[0]);
}

}  // namespace sonde::ostrel
