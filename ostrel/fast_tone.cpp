#include "ostrel/fast_tone.h"

#include <cmath>
#include <cstring>

namespace sonde::ostrel {

void fast_tone_init(FastTone& f, const ToneDetector& d, ToneMethod method) {
    f = FastTone{};
    f.method = method;
    if (method == ToneMethod::two_bins)
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
    tone_decision(d, f.method, tone);
    return static_cast<int8_t>(tone);
}

// Methods 1 and 2 over block samples [first_full, count).
void decide_spectrum(FastTone& f, ToneDetector& d, int first_full, int count, int8_t* decision) {
    const double* h = f.hist;
    SlidingSpectrum& s = f.spectrum;
    // A after each sample's step. Samples are multiples of 2^-16 below 1/2
    // in magnitude: the sum of 80 of them is exact, so it is 0 exactly when
    // all of them are.
    double abs_sum[kToneBlock + 8];
    double a = f.abs_sum;
    for (int i = 0; i < count; i++) {
        a += std::fabs(h[i + kHannLength]) - std::fabs(h[i]);
        abs_sum[i] = a;
    }
    f.abs_sum = a;
    // The window's energy bound, where it bounds the untracked bins: stepped
    // once through every window; it has reached window energy_to.
    double energy[kToneBlock + 8];
    int energy_to = first_full;
    // Every bin zero: the search stays at bin 0.
    const int zero_code = tone_from_peak(d, 0, kToneKept);
    SpectrumRows rows;
    int8_t codes[kRowChunk];
    int i = first_full;
    while (i < count) {
        // A chunk of windows measured, the decisions their estimates settle,
        // then the rest in order. Should one of them switch to tracking every
        // bin, the chunk ends there.
        const int end = count - i < kRowChunk ? count : i + kRowChunk;
        const int lanes = s.lanes;
        energy_to = spectrum_run(s, f.hist_float, h, abs_sum, i, end, energy_to, rows, energy);
        for (int t = end; t % 8 != i % 8; t++) abs_sum[t] = energy[t] = 0.0;  // whole groups of eight
        spectrum_rows_decide(s, rows, abs_sum + i, energy + i, end - i, zero_code, kToneKept, codes);
        const int first = i;
        const bool watch = lanes > s.fewest;
        std::memcpy(decision + first, codes, static_cast<std::size_t>(end - first));
        while (i < end) {
            if (!watch && end - i >= 8) {
                // Eight settled windows at once (no sign bit set).
                uint64_t eight;
                std::memcpy(&eight, codes + (i - first), sizeof eight);
                if ((eight & 0x8080808080808080ull) == 0) {
                    i += 8;
                    continue;
                }
            }
            const int t = i++;
            const int j = t - first;
            int fast = codes[j];
            if (fast >= 0) {
                if (watch && fast < 2) spectrum_watch_rest(s, rows, lanes, j, abs_sum[t], energy[t]);
                continue;
            }
            if (fast == -2) fast = spectrum_row_decision(s, rows, lanes, j, abs_sum[t], energy[t], kToneKept);
            decision[t] = fast >= 0 ? static_cast<int8_t>(fast) : decide_directly(f, d, h + t + 1);
            if (s.lanes > lanes) break;
        }
        f.decisions += static_cast<uint64_t>(i - first);
    }
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
    if (f.method == ToneMethod::two_bins) {
        two_bins_decide(f.two_bins, f.hist_float, f.samples, count, decision);
        for (int i = first_full; i < count; i++)
            if (decision[i] < 0) decision[i] = decide_directly(f, d, h + i + 1);
        if (count > first_full) f.decisions += static_cast<uint64_t>(count - first_full);
    } else {
        decide_spectrum(f, d, first_full, count, decision);
    }
    for (int i = 0; i < count && i < first_full; i++) decision[i] = kToneNotFull;
    f.samples += count;
    std::memmove(h, h + count, kDftSize * sizeof h[0]);
    std::memmove(f.hist_float, f.hist_float + count, kDftSize * sizeof f.hist_float[0]);
}

}  // namespace sonde::ostrel
