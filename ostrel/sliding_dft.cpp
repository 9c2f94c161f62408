#include "ostrel/sliding_dft.h"

#include <cmath>

#include "dsp/vector_clones.h"

namespace sonde::ostrel {

namespace {

constexpr double kTwoPi = 6.283185307179586;

// The largest of the per-lane maxima, and the sum of per-lane sums,
// folded pairwise rather than in one long chain.
inline float lanes_max(float* part) {
    static_assert(kClassLanes == 16);
    for (int l = 0; l < 8; l++) part[l] = part[l + 8] > part[l] ? part[l + 8] : part[l];
    for (int l = 0; l < 4; l++) part[l] = part[l + 4] > part[l] ? part[l + 4] : part[l];
    for (int l = 0; l < 2; l++) part[l] = part[l + 2] > part[l] ? part[l + 2] : part[l];
    return part[1] > part[0] ? part[1] : part[0];
}

inline float lanes_sum(float* part) {
    for (int l = 0; l < 8; l++) part[l] += part[l + 8];
    for (int l = 0; l < 4; l++) part[l] += part[l + 4];
    for (int l = 0; l < 2; l++) part[l] += part[l + 2];
    return part[0] + part[1];
}

// Steps every tracked sum (when Step), then measures the windowed bins:
// power[k] = |2 S_k|^2, 2 S_k = R0 - 1/2 (R- + R+) (exact scalings by
// powers of two change no rounding), the largest over the bins of neither
// window and the weighted sum of the low bins, in one pass while the sums
// are at hand.
template <bool Step>
inline void step_and_measure(SlidingSpectrum& s, float xo, float xn) {
    constexpr int kB = kSpectrumLanes;
    float part[kClassLanes] = {};
    float low[kClassLanes];
    for (int b = 0; b < s.lanes; b += kClassLanes) {
        for (int l = 0; l < kClassLanes; l++) {
            const int k = b + l;
            if (Step)
                for (int set = 0; set < 3; set++) sum_step(s.turns, s.re, s.im, set * kB + k, xo, xn);
            const float sr = s.re[k] - 0.5f * (s.re[k + kB] + s.re[k + 2 * kB]);
            const float si = s.im[k] - 0.5f * (s.im[k + kB] + s.im[k + 2 * kB]);
            const float p = sr * sr + si * si;
            s.power[k] = p;
            if (b == 0) low[l] = p * s.low_weight[l];
            const float v = p * s.neither[k];
            part[l] = v > part[l] ? v : part[l];
        }
    }
    s.neither_max = lanes_max(part);
    s.low_sum = lanes_sum(low);
}

VECTOR_CLONES
void step_and_measure(SlidingSpectrum& s, float xo, float xn) { step_and_measure<true>(s, xo, xn); }

VECTOR_CLONES
void anchor_and_measure(SlidingSpectrum& s, const float* span) {
    for (int set = 0; set < 3; set++) {
        const int base = set * kSpectrumLanes;
        sums_anchor(s.turns, span, s.re, s.im, base, base + s.lanes);
    }
    step_and_measure<false>(s, 0.0f, 0.0f);
}

}  // namespace

void spectrum_init(SlidingSpectrum& s, const ToneDetector& d, SinCos sincos) {
    double theta[kSpectrumSums];
    for (int set = 0; set < 3; set++) {
        const double shift = set == 0 ? 0.0 : set == 1 ? -kHannPhi : kHannPhi;
        for (int k = 0; k < kSpectrumLanes; k++) theta[set * kSpectrumLanes + k] = kTwoPi * k / 128.0 + shift;
    }
    turns_init(s.turns, theta, sincos);
    for (int i = 0; i < kSpectrumSums; i++) s.re[i] = s.im[i] = 0.0f;
    constexpr int kNeither = -1;
    s.tone_bin_count[0] = s.tone_bin_count[1] = 0;
    for (int k = 0; k < kSpectrumLanes; k++) {
        s.power[k] = 0.0f;
        const int c = k < kSearchedBins ? tone_from_peak(d, k, kNeither) : 2;  // 2: bin 63, never searched
        s.neither[k] = c == kNeither ? 1.0f : 0.0f;
        if (c == 0 || c == 1) s.tone_bins[c][s.tone_bin_count[c]++] = k;
    }
    s.neither_max = 0.0f;
    s.checked = 0;
    s.root_power = s.root_low = 1.0;
    s.until_anchor = 0;
    s.sum_error = 0.0;
    bool rest_neither = true;
    for (int k = kLowBins; k < kSearchedBins; k++) rest_neither = rest_neither && s.neither[k] == 1.0f;
    s.rest_bounded = rest_neither;
    s.lanes = rest_neither ? kLowBins : kSpectrumLanes;
    s.bound_held = 0;
    for (int l = 0; l < kClassLanes; l++) s.low_weight[l] = l == 0 ? 0.25f : 0.5f;
    s.low_sum = 0.0f;
    energy_init(s.energy, sincos);
}

void spectrum_step(SlidingSpectrum& s, double x_old, double x_new, const double* span, double abs_sum) {
    if (s.until_anchor == 0) {
        // Samples are multiples of 2^-16 (or 2^-8): exact in float.
        float x[kHannLength];
        for (int n = 0; n < kHannLength; n++) x[n] = static_cast<float>(span[n]);
        anchor_and_measure(s, x);
        s.until_anchor = kSpectrumAnchorEvery;
        s.sum_error = bound_anchored<float>(abs_sum);
    } else {
        s.until_anchor--;
        step_and_measure(s, static_cast<float>(x_old), static_cast<float>(x_new));
        s.sum_error = bound_after_step<float>(s.sum_error, abs_sum, std::fabs(x_old) + std::fabs(x_new));
    }
    if (s.rest_bounded) energy_step(s.energy, x_old, x_new, span);
}

namespace {

// sqrt(y) <= (y / g + g) / 2 for any g > 0; with g near sqrt(y) (the last
// window's root) the bound is tight, and it costs no square root of its
// own. The factor covers the rounding of the reciprocal and of the sum.
inline double root_above(double y, double g) { return (y * (1.0 / g) + g) * (0.5 * (1.0 + 1.0e-15)); }

// With only the low bins tracked: whether no untracked bin can reach the
// magnitude mw - 2 d, mw = sqrt(pw) / 2 the leading class's. Parseval for
// the 128-point transform Z of the weighted window (real, so |Z_k| =
// |Z_128-k|) gives, for any k >= 16,
//   2 |Z_k|^2 <= 128 energy - |Z_0|^2 - 2 sum_{0<j<16} |Z_j|^2,
// and |Z_j| >= m_j - d gives |Z_j|^2 >= m_j^2 - 2 d m_j, so by
// Cauchy-Schwarz the subtracted sum is at least L = M - 2 d sqrt(31 M),
// M = sum of low_weight * power = |Z_0|^2 + 2 sum |Z_j|^2 as estimated.
// Then (mw - 2 d)^2 >= mw^2 - 4 d mw = pw / 4 - 2 d sqrt(pw) must exceed
// (128 energy - L) / 2.
bool rest_below(SlidingSpectrum& s, double pw, double d) {
    // low_sum is a float sum of 16 terms: within 16 u of M either way.
    const double m = static_cast<double>(s.low_sum);
    const double m31 = 31.0 * m * (1.0 + 16.0 * SumBound<float>::u);
    const double lower = m * (1.0 - 16.0 * SumBound<float>::u) - 2.0 * d * root_above(m31, s.root_low);
    const double total = 128.0 * energy_upper(s.energy);
    // The difference may cancel: allow for its rounding in absolute terms.
    const double rest2 = 0.5 * (total - lower) + 1.0e-15 * (total + std::fabs(lower));
    // Both sides are far from the rounding of doubles.
    const double reach2 = 0.25 * (1.0 - 1.0e-12) * pw - 2.0 * d * root_above(pw, s.root_power);
    // The roots for the next window, off this one's path.
    if (m31 > 0.0) s.root_low = std::sqrt(m31);
    if (pw > 0.0) s.root_power = std::sqrt(pw);
    return reach2 > rest2 * (1.0 + 1.0e-12);
}

}  // namespace

int spectrum_decision(SlidingSpectrum& s, double abs_sum, int tone_bit) {
    // Largest |2 S|^2 per class: bins giving 0, bins giving 1, neither.
    float power[3] = {0.0f, 0.0f, s.neither_max};
    for (int c = 0; c < 2; c++)
        for (int j = 0; j < s.tone_bin_count[c]; j++) {
            const float p = s.power[s.tone_bins[c][j]];
            if (p > power[c]) power[c] = p;
        }
    int w = 0;
    for (int c = 1; c < 3; c++)
        if (power[c] > power[w]) w = c;
    double other = 0.0;
    for (int c = 0; c < 3; c++)
        if (c != w && power[c] > other) other = power[c];
    // Magnitudes m = sqrt(power) / 2 lie within d of max_bin's: the leading
    // class is max_bin's if m_w - m_o > 2 d. As m_w - m_o = (p_w - p_o) /
    // (4 (m_w + m_o)) >= (p_w - p_o) / (8 m_w) = (p_w - p_o) / (4 sqrt(p_w)),
    // it suffices that (p_w - p_o)^2 > 64 d^2 p_w; 65 leaves room for this
    // arithmetic's own rounding.
    const double e = s.sum_error;
    const double d = bound_distance<float>(e, abs_sum);
    const double pw = power[w];
    const double gap = pw - other;
    if (!(gap > 0.0) || gap * gap <= 65.0 * d * d * pw) return -1;
    if (w == 2) return tone_bit;  // untracked bins lie in neither window too
    if (!s.rest_bounded) return w;
    if (s.lanes == kSpectrumLanes) {
        // Everything tracked: go back to the low bins once the bound has
        // held for a good while (looked at in every 8th window).
        if ((++s.checked & 7) == 0) {
            s.bound_held = rest_below(s, pw, d) ? s.bound_held + 8 : 0;
            if (s.bound_held >= kBoundedAfter) s.lanes = kLowBins;
        }
        return w;
    }
    if (rest_below(s, pw, d)) return w;
    // Track everything from the next sample on (re-summed directly then).
    s.lanes = kSpectrumLanes;
    s.until_anchor = 0;
    s.bound_held = 0;
    return -1;
}

}  // namespace sonde::ostrel
