// Strongest-bin tone decision (methods 1 and 2) from sliding sums: the bins
// of the Hann-windowed spectrum are tracked in single precision, vectorised
// across bins (all 63 searched bins, or only the low ones where the energy
// of the window bounds the rest). Only the class of the strongest bin
// matters (the 2200 Hz window, the 1200 Hz window, or neither); when the
// strongest class leads the others by more than the error bound of the
// estimates, that class is the decision of max_bin as well.
#pragma once

#include "ostrel/sliding_energy.h"
#include "ostrel/sliding_sums.h"
#include "ostrel/tone_detector.h"

namespace sonde::ostrel {

constexpr int kSpectrumLanes = 64;                 // bins 0..63; 63 is never searched
constexpr int kSpectrumSums = 3 * kSpectrumLanes;  // theta_k, theta_k - phi, theta_k + phi
constexpr int kSpectrumAnchorEvery = 512;          // samples between direct re-sums
constexpr int kClassLanes = 16;                    // partial maxima kept side by side
constexpr int kLowBins = kClassLanes;              // bins tracked when the rest is bounded
constexpr int kBoundedAfter = 1024;                // windows of a holding bound before untracking

// The low bins of one set as a vector, lane k holding bin k.
typedef float LowBins __attribute__((vector_size(kLowBins * sizeof(float))));

struct SlidingSpectrum {
    // Sliding sums (sliding_sums.h), laid out as [set][bin] with the sets
    // theta_k, theta_k - phi, theta_k + phi.
    SlidingTurns<float, kSpectrumSums> turns;
    SlidingTurns<LowBins, 3> low_turns;  // the low bins' constants, one vector per set
    alignas(64) float re[kSpectrumSums];
    alignas(64) float im[kSpectrumSums];
    // Squared magnitudes of twice the windowed bins after the last step, and
    // their largest over the bins of neither window.
    alignas(64) float power[kSpectrumLanes];
    float neither_max = 0.0f;
    // 1 for searched bins whose peak leaves the decision unchanged, else 0.
    alignas(64) float neither[kSpectrumLanes];
    // Bins whose peak gives 0 (2200 Hz window) and 1 (1200 Hz window).
    int tone_bins[2][kSearchedBins];
    int tone_bin_count[2];
    int until_anchor = 0;
    double sum_error = 0.0;  // E of every sum
    // Where every bin from kLowBins on lies in neither window (44100 Hz and
    // up), only bins 0..kLowBins-1 are tracked, and the weighted energy
    // bounds all others.
    // They are all tracked again, for a while, when the bound falls short.
    bool rest_bounded = false;   // the rate allows tracking the low bins only
    int lanes = kSpectrumLanes;  // bins tracked
    int bound_held = 0;          // windows in a row the bound would have done
    unsigned checked = 0;        // windows decided with every bin tracked
    // The last roots taken in the energy bound, near the next ones.
    double root_power = 1.0;
    double root_low = 1.0;
    alignas(64) float low_weight[kClassLanes];  // 1/4 for bin 0, 1/2 for 1..15
    float low_sum = 0.0f;                       // sum over the low bins of low_weight * |2 S|^2
    SlidingEnergy energy;
};

// One window's measures from the low bins (the block path).
struct SpectrumRow {
    alignas(64) float power[kLowBins];  // |2 S_k|^2
    float neither_max;                  // their largest over the bins of neither window
    float low_sum;                      // sum of low_weight * power
    double sum_error;                   // E
};

void spectrum_init(SlidingSpectrum& s, const ToneDetector& d, SinCos sincos = sincos_reference);

// Moves the sums on by one sample, as the two-bin sums move, and measures the
// windowed bins. abs_sum is the sum of |x| over the 80 samples after the move.
void spectrum_step(SlidingSpectrum& s, double x_old, double x_new, const double* span, double abs_sum);

// The decision of the strongest searched bin when the estimates settle it:
// 0, 1, or tone_bit where that bin lies in neither window; -1 when two
// classes are too close to call.
int spectrum_decision(SlidingSpectrum& s, double abs_sum, int tone_bit);

// While only the low bins are tracked (lanes == kLowBins): steps the sums
// over block samples [first, end) at once, as spectrum_step would one by
// one (x as fast_tone's hist_float, abs_sum[t] A after sample t's step),
// and fills rows[t - first]. The energy is not stepped.
void spectrum_run_low(SlidingSpectrum& s, const float* x, const double* abs_sum, int first, int end, SpectrumRow* rows);

// spectrum_decision on a row of spectrum_run_low's.
int spectrum_row_decision(SlidingSpectrum& s, const SpectrumRow& row, double abs_sum, int tone_bit);

}  // namespace sonde::ostrel
