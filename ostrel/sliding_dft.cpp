#include "ostrel/sliding_dft.h"

#include <cmath>
#include <cstring>

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

// The largest lane and the sum of the lanes, folded pairwise.
inline float fold_max(LowBins v) {
    typedef float H8 __attribute__((vector_size(32)));
    typedef float H4 __attribute__((vector_size(16)));
    const H8 a = __builtin_shufflevector(v, v, 0, 1, 2, 3, 4, 5, 6, 7);
    const H8 b = __builtin_shufflevector(v, v, 8, 9, 10, 11, 12, 13, 14, 15);
    const H8 m8 = b > a ? b : a;
    const H4 c = __builtin_shufflevector(m8, m8, 0, 1, 2, 3);
    const H4 e = __builtin_shufflevector(m8, m8, 4, 5, 6, 7);
    const H4 m4 = e > c ? e : c;
    const float x = m4[2] > m4[0] ? m4[2] : m4[0];
    const float y = m4[3] > m4[1] ? m4[3] : m4[1];
    return y > x ? y : x;
}

inline float fold_sum(LowBins v) {
    typedef float H8 __attribute__((vector_size(32)));
    typedef float H4 __attribute__((vector_size(16)));
    const H8 s8 = __builtin_shufflevector(v, v, 0, 1, 2, 3, 4, 5, 6, 7) +
                  __builtin_shufflevector(v, v, 8, 9, 10, 11, 12, 13, 14, 15);
    const H4 s4 = __builtin_shufflevector(s8, s8, 0, 1, 2, 3) + __builtin_shufflevector(s8, s8, 4, 5, 6, 7);
    return (s4[0] + s4[2]) + (s4[1] + s4[3]);
}

// The low bins over samples [first, end) of a block in one pass, the sums
// held as vectors: the same steps and anchors as spectrum_step's, and each
// sample's row.
VECTOR_CLONES
void run_low_bins(SlidingSpectrum& s, const float* x, const double* abs_sum, int first, int end, SpectrumRow* rows) {
    const SlidingTurns<LowBins, 3>& c = s.low_turns;
    LowBins re[3], im[3];
    for (int set = 0; set < 3; set++) {
        std::memcpy(&re[set], s.re + set * kSpectrumLanes, sizeof re[set]);
        std::memcpy(&im[set], s.im + set * kSpectrumLanes, sizeof im[set]);
    }
    LowBins neither, weight;
    std::memcpy(&neither, s.neither, sizeof neither);
    std::memcpy(&weight, s.low_weight, sizeof weight);
    int until = s.until_anchor;
    double e = s.sum_error;
    for (int t = first; t < end; t++) {
        const float xo = x[t];
        const float xn = x[t + kHannLength];
        if (until == 0) {
            LowBins span[kHannLength];
            for (int n = 0; n < kHannLength; n++) span[n] = LowBins{} + x[t + 1 + n];
            sums_anchor(c, span, re, im, 0, 3);
            until = kSpectrumAnchorEvery;
            e = bound_anchored<float>(abs_sum[t]);
        } else {
            until--;
            const LowBins vo = LowBins{} + xo;
            const LowBins vn = LowBins{} + xn;
            sums_step(c, re, im, vo, vn, 0, 3);
            e = bound_after_step<float>(e, abs_sum[t], static_cast<double>(std::fabs(xo) + std::fabs(xn)));
        }
        const LowBins sr = re[0] - 0.5f * (re[1] + re[2]);
        const LowBins si = im[0] - 0.5f * (im[1] + im[2]);
        const LowBins p = sr * sr + si * si;
        SpectrumRow& r = rows[t - first];
        std::memcpy(r.power, &p, sizeof p);
        r.neither_max = fold_max(p * neither);
        r.low_sum = fold_sum(p * weight);
        r.sum_error = e;
    }
    for (int set = 0; set < 3; set++) {
        std::memcpy(s.re + set * kSpectrumLanes, &re[set], sizeof re[set]);
        std::memcpy(s.im + set * kSpectrumLanes, &im[set], sizeof im[set]);
    }
    s.until_anchor = until;
    s.sum_error = e;
}

}  // namespace

void spectrum_init(SlidingSpectrum& s, const ToneDetector& d, SinCos sincos) {
    double theta[kSpectrumSums];
    for (int set = 0; set < 3; set++) {
        const double shift = set == 0 ? 0.0 : set == 1 ? -kHannPhi : kHannPhi;
        for (int k = 0; k < kSpectrumLanes; k++) theta[set * kSpectrumLanes + k] = kTwoPi * k / 128.0 + shift;
    }
    turns_init(s.turns, theta, sincos);
    // The same constants for the low bins, one vector per set.
    for (int set = 0; set < 3; set++) {
        const int j = set * kSpectrumLanes;
        SlidingTurns<LowBins, 3>& v = s.low_turns;
        std::memcpy(&v.step_re[set], s.turns.step_re + j, sizeof(LowBins));
        std::memcpy(&v.step_im[set], s.turns.step_im + j, sizeof(LowBins));
        std::memcpy(&v.in_re[set], s.turns.in_re + j, sizeof(LowBins));
        std::memcpy(&v.in_im[set], s.turns.in_im + j, sizeof(LowBins));
        for (int n = 0; n < kHannLength; n++) {
            std::memcpy(&v.tw_re[n][set], s.turns.tw_re[n] + j, sizeof(LowBins));
            std::memcpy(&v.tw_im[n][set], s.turns.tw_im[n] + j, sizeof(LowBins));
        }
    }
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

namespace {

// The decision from the class maxima of |2 S|^2 (the 2200 Hz window, the
// 1200 Hz window, neither), E and A.
int decide_classes(SlidingSpectrum& s, const float* power, double e, double abs_sum, int tone_bit) {
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

// The largest of the tone windows' bins in a row of |2 S|^2.
inline void tone_maxima(const SlidingSpectrum& s, const float* row, float* power) {
    for (int c = 0; c < 2; c++) {
        power[c] = 0.0f;
        for (int j = 0; j < s.tone_bin_count[c]; j++) {
            const float p = row[s.tone_bins[c][j]];
            if (p > power[c]) power[c] = p;
        }
    }
}

}  // namespace

int spectrum_decision(SlidingSpectrum& s, double abs_sum, int tone_bit) {
    float power[3];
    tone_maxima(s, s.power, power);
    power[2] = s.neither_max;
    return decide_classes(s, power, s.sum_error, abs_sum, tone_bit);
}

void spectrum_run_low(SlidingSpectrum& s, const float* x, const double* abs_sum, int first, int end,
                      SpectrumRow* rows) {
    run_low_bins(s, x, abs_sum, first, end, rows);
}

int spectrum_row_decision(SlidingSpectrum& s, const SpectrumRow& row, double abs_sum, int tone_bit) {
    float power[3];
    tone_maxima(s, row.power, power);
    power[2] = row.neither_max;
    s.low_sum = row.low_sum;
    return decide_classes(s, power, row.sum_error, abs_sum, tone_bit);
}

}  // namespace sonde::ostrel
