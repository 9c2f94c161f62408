// Sliding DFT bins over the detector's weighted span, with the one bound on
// their error that every fast decision leans on. A sum R(theta) =
// sum_{n<80} x[n] e^{-i theta n} (x[0] the oldest) moves on by one sample as
//   R <- e^{i theta} (R - x_old + x_new e^{-i theta 80}),
// and is summed again directly ("anchored") every so often, before its
// rounding piles up. As Hann[n] = 1/2 - 1/4 e^{i phi n} - 1/4 e^{-i phi n},
// phi = 2 pi / 79, a windowed bin is 1/2 R(theta) - 1/4 R(theta -+ phi).
// SlidingBins<V, N> holds N sums in V (float, double, or a vector whose
// lanes run independent stretches of samples through the same arithmetic),
// SlidingTurns<T, N> their constants in T (u = 2^-24 or 2^-53). Users:
// - the two-bin method: 2200 Hz and 1200 Hz, six float sums, anchored at
//   every multiple of kTwoBinSegment samples, segments side by side in lanes;
// - methods 1 and 2: three float sums for each of 64 bins (or the low ones);
// - the window's energy, sum_n (Hann[n] x[n])^2: as Hann^2 = 3/8 -
//   1/2 cos(phi n) + 1/8 cos(2 phi n), sums of x^2 (double) at phi, 2 phi.
#pragma once

#include <cstdint>
#include <limits>

#include "ostrel/tone_detector.h"
#include "ostrel/tone_tables.h"

namespace sonde::ostrel {

constexpr double kHannPhi = 6.283185307179586 / 79.0;  // the window's cosine frequency

// The constants of N sums at the angles theta_j.
template <class T, int N>
struct SlidingTurns {
    alignas(64) T step_re[N];  // e^{i theta}
    alignas(64) T step_im[N];
    alignas(64) T in_re[N];  // e^{-i theta 80}, weight of the entering sample
    alignas(64) T in_im[N];
    alignas(64) T tw_re[kHannLength][N];  // e^{-i theta n}, for anchoring
    alignas(64) T tw_im[kHannLength][N];
};

template <class T, int N>
void turns_init(SlidingTurns<T, N>& c, const double* theta, SinCos sincos) {
    for (int j = 0; j < N; j++) {
        const double t = theta[j];
        double s, co;
        sincos(t, s, co);
        c.step_re[j] = static_cast<T>(co);
        c.step_im[j] = static_cast<T>(s);
        sincos(t * kHannLength, s, co);
        c.in_re[j] = static_cast<T>(co);
        c.in_im[j] = static_cast<T>(-s);
        for (int n = 0; n < kHannLength; n++) {
            sincos(t * n, s, co);
            c.tw_re[n][j] = static_cast<T>(co);
            c.tw_im[n][j] = static_cast<T>(-s);
        }
    }
}

// N sums; A the sum of |x| over the weighted span, E their error bound.
template <class V, int N>
struct SlidingBins {
    V re[N];
    V im[N];
    V abs_sum;    // exact: samples are multiples of 2^-16 below 1/2
    V sum_error;  // E
};

// One step of one sum: x_old leaves, x_new enters (C scalar or vector).
template <class V, class C>
[[gnu::always_inline]] inline void turn(V& re, V& im, C sr, C si, C in_re, C in_im, V x_old, V x_new) {
    const V tr = re + (x_new * in_re - x_old);
    const V ti = im + x_new * in_im;
    re = sr * tr - si * ti;
    im = sr * ti + si * tr;
}

// The error bound. Every sum and windowed bin is at most A (|x| <= 1/2) in
// magnitude; E bounds |R estimate - R| for every sum R at the exact angle.
// - Angles are formed in double: theta within 2.5e-15, theta n (n <= 80)
//   within 3e-13; each constant adds its rounding to T (under 1.5 u).
// - An anchored sum (80 products) lies within (82 u + 3e-13) A.
// - A step (entering term, sum, inexact rotation, product) adds under
//   (6 u + 2.5e-15) (A + E) + (16 u + 3.1e-13) (|x_old| + |x_new|); the old
//   error is rotated, not enlarged.
// - Forming R0 - 1/2 (R- + R+) and its squared magnitude adds 4 u (A + E).
// - dft_k, dft and dft2 lie within 1e-10 A of the exact windowed bins (the
//   tests measure under 1e-11 A).
// So every estimated windowed magnitude lies within d = E + 4 u (A + E) +
// 1e-10 A of the direct transform's. Each constant is raised by 2^-18, so
// that the bound evaluated in T (or double) stays above the exact one: each
// operation on these non-negative terms loses at most 2^-24 of its value.
template <class T>
struct SumBound {
    static constexpr double u = std::numeric_limits<T>::epsilon() / 2;
    static constexpr double raise = 1.0 + 0x1p-18;
    static constexpr double anchored = (82.0 * u + 3.0e-13) * raise;
    static constexpr double keep = (1.0 + 6.0 * u + 2.5e-15) * raise;  // E's own growth per step
    static constexpr double grow = (6.0 * u + 2.5e-15) * raise;        // times A per step
    static constexpr double moved = (16.0 * u + 3.1e-13) * raise;      // times s per step
    static constexpr double formed = 4.0 * u * raise;
    static constexpr double reference = 1.0e-10 * raise;
};

// E after anchoring on a span whose |x| sum to A.
template <class T, class V>
inline V bound_anchored(V abs_sum) {
    return abs_sum * T(SumBound<T>::anchored);
}

// E after a step; abs_sum is A after the step, moved is |x_old| + |x_new|.
template <class T, class V>
inline V bound_after_step(V e, V abs_sum, V moved) {
    return e * T(SumBound<T>::keep) + (abs_sum * T(SumBound<T>::grow) + moved * T(SumBound<T>::moved));
}

// d: how far the estimated windowed magnitudes lie from the direct ones.
template <class T, class V>
inline V bound_distance(V e, V abs_sum) {
    return e * T((1.0 + SumBound<T>::formed) * SumBound<T>::raise) +
           abs_sum * T(SumBound<T>::formed + SumBound<T>::reference);
}

// Anchors the sums on span[0..79], whose |x| sum to abs_sum: sums them directly.
template <class T, int N, class V>
inline void bins_anchor(const SlidingTurns<T, N>& c, SlidingBins<V, N>& s, const V* span, V abs_sum) {
    V re[N] = {}, im[N] = {};  // in registers: nothing else can write them
    for (int n = 0; n < kHannLength; n++)
        for (int j = 0; j < N; j++) {
            re[j] += span[n] * c.tw_re[n][j];
            im[j] += span[n] * c.tw_im[n][j];
        }
    for (int j = 0; j < N; j++) s.re[j] = re[j], s.im[j] = im[j];
    s.abs_sum = abs_sum;
    s.sum_error = bound_anchored<T>(abs_sum);
}

// One step of every sum, with A and E: x_old leaves, x_new enters,
// abs_old and abs_new their magnitudes.
template <class T, int N, class V>
[[gnu::always_inline]] inline void bins_step(const SlidingTurns<T, N>& c, SlidingBins<V, N>& s, V x_old, V x_new,
                                             V abs_old, V abs_new) {
    for (int j = 0; j < N; j++)
        turn(s.re[j], s.im[j], c.step_re[j], c.step_im[j], c.in_re[j], c.in_im[j], x_old, x_new);
    s.abs_sum += abs_new - abs_old;
    s.sum_error = bound_after_step<T>(s.sum_error, s.abs_sum, abs_old + abs_new);
}

// The two-bin method: sum 3 b + j is bin b's (0: 2200 Hz, 1: 1200 Hz) at
// theta_b, theta_b - phi, theta_b + phi for j = 0, 1, 2.
constexpr int kTwoBinSums = 6;
constexpr int kTwoBinSegment = 256;  // samples from one anchoring to the next
// Segments stepped at once: 4 in the portable build (one 128-bit vector per
// sum: the state fits SSE2's 16 registers), 8 where AVX2 is found at run time.
constexpr int kTwoBinLanes = 4;
constexpr int kTwoBinWideLanes = 8;

struct SlidingTwoBins {
    SlidingTurns<float, kTwoBinSums> turns;
    bool same_bins = false;                     // both tones round to one bin: dft_k ties, giving 1
    SlidingBins<float, kTwoBinSums> lane = {};  // the segment in progress
};

void two_bins_init(SlidingTwoBins& s, int idx_2200, int idx_1200, SinCos sincos = sincos_reference);

// Decides the windows of count new samples, the first of which is sample
// number `first` of the stream (0-based). x holds them with the 80 samples
// before: the step to new sample i takes x_old = x[i] and x_new = x[i + 80],
// and its weighted span is x[i + 1 .. i + 80]. decision[i] becomes 0 or 1,
// or -1 where the estimates are too close to call.
void two_bins_decide(SlidingTwoBins& s, const float* x, int64_t first, int count, int8_t* decision);

// The window's energy: sums of x^2 at phi and 2 phi, A their plain sum.
constexpr int kEnergyAnchorEvery = 1024;  // samples between direct re-sums

struct SlidingEnergy {
    SlidingTurns<double, 2> turns;
    SlidingBins<double, 2> sums = {};
    int until_anchor = 0;
};

// An upper bound on sum_n (Hann[n] x[n])^2 for the exact window: 3/8 A -
// 1/2 Re R(phi) + 1/8 Re R(2 phi), with E at weight 1/2 + 1/8 and 4 u A for
// the combination's rounding.
inline double energy_upper(const SlidingBins<double, 2>& s) {
    const double v = 0.375 * s.abs_sum - 0.5 * s.re[0] + 0.125 * s.re[1];
    return v + 0.625 * s.sum_error + 4.0 * SumBound<double>::u * s.abs_sum;
}

// Methods 1 and 2 need only the class of the strongest bin (the 2200 Hz
// window, the 1200 Hz window, or neither): where the strongest class leads
// the others beyond the estimates' error bound, it is max_bin's class too.
constexpr int kSpectrumLanes = 64;                 // bins 0..63; 63 is never searched
constexpr int kSpectrumSums = 3 * kSpectrumLanes;  // theta_k, theta_k - phi, theta_k + phi
constexpr int kSpectrumAnchorEvery = 512;          // samples between direct re-sums
constexpr int kLowBins = 16;                       // bins tracked when the rest is bounded
constexpr int kFewBins = 8;                        // or fewer still, where the signal allows
constexpr int kBoundedAfter = 1024;                // windows of a holding bound before untracking
constexpr int kRowChunk = 256;                     // windows measured at once

struct SlidingSpectrum {
    // [set][bin], the sets at theta_k, theta_k - phi, theta_k + phi.
    SlidingTurns<float, kSpectrumSums> turns;
    alignas(64) float re[kSpectrumSums];
    alignas(64) float im[kSpectrumSums];
    int until_anchor = 0;
    double sum_error = 0.0;  // E of every sum
    // The searched bins of each class, ascending: the 2200 Hz window (0), the
    // 1200 Hz window (1), neither (2).
    int class_bins[3][kSearchedBins];
    int class_count[3];
    // Where every bin from kLowBins (kFewBins) on lies in neither window
    // (44100 Hz and up), only the bins below are tracked and the energy
    // bounds the others; where that falls short, the rung above for a while
    // (a ladder of 8, 16 and 64 bins).
    bool rest_bounded = false;    // the rate allows tracking the low bins only
    int fewest = kSpectrumLanes;  // the fewest bins the rate allows tracking
    int lanes = kSpectrumLanes;   // bins tracked
    int bound_held = 0;           // windows in a row the rung below would have done
    unsigned checked = 0;         // windows looked at for that
    SlidingEnergy energy;         // stepped where rest_bounded
};

// The measures of a chunk of windows, window j of the chunk at [j]: |2 S_k|^2
// of the tracked bins and E.
struct SpectrumRows {
    alignas(64) float power[kRowChunk][kSpectrumLanes];
    alignas(64) double sum_error[kRowChunk];
};

void spectrum_init(SlidingSpectrum& s, const ToneDetector& d, SinCos sincos = sincos_reference);

// Steps the tracked sums over block samples [first, end) (at most
// kRowChunk; x as fast_tone's hist_float, h as its hist, abs_sum[t] A after
// sample t's step), anchoring where due, and fills the rows of windows t -
// first, padded with zeros to a multiple of 8. Where the rest is bounded,
// steps the energy from window energy_to on (energy[t], its upper bound
// after sample t, is there before) and returns the window it has reached.
int spectrum_run(SlidingSpectrum& s, const float* x, const double* h, const double* abs_sum, int first, int end,
                 int energy_to, SpectrumRows& rows, double* energy);

// The decisions of count rows of spectrum_run's, where the estimates settle
// them (abs_sum, energy from the chunk's first window on, count rounded up
// to a multiple of 8 values each): 0, 1, or tone_bit where the strongest
// bin lies in neither window; zero_code where A is 0; -1 where two classes
// are too close to call; -2 where spectrum_row_decision has to look closer.
void spectrum_rows_decide(const SlidingSpectrum& s, const SpectrumRows& rows, const double* abs_sum,
                          const double* energy, int count, int zero_code, int tone_bit, int8_t* out);

// The same decision for row j (of rows with row_lanes bins), one at a time,
// with the switch to tracking every bin where the energy falls short (-1
// then, and every bin anchored from the next window on).
int spectrum_row_decision(SlidingSpectrum& s, const SpectrumRows& rows, int row_lanes, int j, double abs_sum,
                          double energy, int tone_bit);

// While more bins are tracked than the rate needs (row_lanes of them): looks
// at every 8th window decided 0 or 1 whether the energy would have done
// with the rung below, and steps down once it has for kBoundedAfter windows.
void spectrum_watch_rest(SlidingSpectrum& s, const SpectrumRows& rows, int row_lanes, int j, double abs_sum,
                         double energy);

}  // namespace sonde::ostrel
