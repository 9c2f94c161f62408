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

struct SlidingSpectrum {
    // Sliding sums (sliding_sums.h), laid out as [set][bin] with the sets
    // theta_k, theta_k - phi, theta_k + phi.
    SlidingTurns<float, kSpectrumSums> turns;
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
    bool rest_bounded = false;                  // the rate allows tracking the low bins only
    int lanes = kSpectrumLanes;                 // bins tracked
    int bound_held = 0;                         // windows in a row the bound would have done
    unsigned checked = 0;                       // windows decided with every bin tracked
    alignas(64) float low_weight[kClassLanes];  // 1/4 for bin 0, 1/2 for 1..15
    // The low bins of each class: the 2200 Hz window, the 1200 Hz window, neither.
    int low_class[3][kLowBins];
    int low_class_count[3];
    float low_sum = 0.0f;  // sum over the low bins of low_weight * |2 S|^2
    SlidingEnergy energy;
};

constexpr int kRowChunk = 256;  // windows measured at once by the low-bins pass

// The measures of a chunk of windows from the low bins (the block path),
// window j of the chunk at [j].
struct SpectrumRows {
    alignas(64) float power[kRowChunk][kLowBins];  // |2 S_k|^2
    alignas(64) double sum_error[kRowChunk];       // E
};

void spectrum_init(SlidingSpectrum& s, const ToneDetector& d, SinCos sincos = sincos_reference);

// Moves the sums on by one sample, as the two-bin sums move, and measures the
// windowed bins. span holds the 80 samples after the move. The energy is
// not stepped (the caller steps it, where the rest is bounded).
void spectrum_step(SlidingSpectrum& s, double x_old, double x_new, const double* span, double abs_sum);

// The decision of the strongest searched bin when the estimates settle it:
// 0, 1, or tone_bit where that bin lies in neither window; -1 when two
// classes are too close to call. abs_sum is A after the step, energy the
// upper bound of the window's energy (energy_upper; read only where the
// rest is bounded).
int spectrum_decision(SlidingSpectrum& s, double abs_sum, double energy, int tone_bit);

// While only the low bins are tracked (lanes == kLowBins): steps the sums
// over block samples [first, end) (at most kRowChunk) at once, as
// spectrum_step would one by one (x as fast_tone's hist_float, h as its
// hist, abs_sum[t] A after sample t's step), and fills the rows of windows
// t - first. Steps the energy too, energy[t] its upper bound after sample
// t.
void spectrum_run_low(SlidingSpectrum& s, const float* x, const double* h, const double* abs_sum, int first, int end,
                      SpectrumRows& rows, double* energy);

// The decisions of count rows of spectrum_run_low's at once, where the
// estimates settle them beyond doubt (abs_sum, energy as for
// spectrum_decision, from the chunk's first window on): 0, 1 or tone_bit;
// zero_code where A is 0; -1 where two classes are too close to call; -2
// where spectrum_row_decision has to look closer. Runs over whole groups of
// eight windows: the inputs hold count rounded up to a multiple of 8
// values (spectrum_run_low pads its rows with zeros), out as many.
void spectrum_rows_decide(const SlidingSpectrum& s, const SpectrumRows& rows, const double* abs_sum,
                          const double* energy, int count, int zero_code, int tone_bit, int8_t* out);

// spectrum_decision on row j of spectrum_run_low's.
int spectrum_row_decision(SlidingSpectrum& s, const SpectrumRows& rows, int j, double abs_sum, double energy,
                          int tone_bit);

}  // namespace sonde::ostrel
