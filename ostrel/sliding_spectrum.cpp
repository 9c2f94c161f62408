#include "sliding_spectrum.h"

#include <cmath>

#if defined(__x86_64__) && defined(__GNUC__)
#define OSTREL_VECTOR_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define OSTREL_VECTOR_CLONES
#endif

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kHannPhi = kTwoPi / 79.0;
constexpr double kFloatRound = 1.0 / 16777216.0;  // 2^-24, one float rounding

// Error bound: the argument of sliding_two_bins.cpp with u = 2^-24 for the
// steps and the windowed magnitudes. A re-anchored sum is the double direct
// sum (within 1e-13 A) rounded to float: within u A + 1e-13 A. Each step adds
// 6 u (A + E) + 16 u s to the bound E, and forming the magnitudes adds
// 4 u (A + E). max_bin's magnitudes, from dft or from dft2, lie within
// 1e-10 A of the exact windowed bins (the FFT's twiddles, built by repeated
// products, stay within 1e-13 of the true roots). So every estimated
// magnitude lies within d = E + 4 u (A + E) + 1e-10 A of max_bin's.
constexpr double kReferenceError = 1.0e-10;

int class_of(const ToneDetector& d, int k) {
    constexpr int kNeither = -1;
    const int t = tone_from_peak(d, k, kNeither);
    return t == kNeither ? 2 : t;
}

OSTREL_VECTOR_CLONES
void rotate_all(SlidingSpectrum& s, float xo, float xn) {
    for (int i = 0; i < kSpectrumSums; i++) {
        const float tr = s.re[i] + (xn * s.in_re[i] - xo);
        const float ti = s.im[i] + xn * s.in_im[i];
        s.re[i] = s.step_re[i] * tr - s.step_im[i] * ti;
        s.im[i] = s.step_re[i] * ti + s.step_im[i] * tr;
    }
}

OSTREL_VECTOR_CLONES
void sum_directly(SlidingSpectrum& s, const double* span) {
    for (int i = 0; i < kSpectrumSums; i++) s.acc_re[i] = s.acc_im[i] = 0.0;
    for (int n = 0; n < kHannLength; n++) {
        const double x = span[n];
        for (int i = 0; i < kSpectrumSums; i++) {
            s.acc_re[i] += x * s.tw_re[n][i];
            s.acc_im[i] += x * s.tw_im[n][i];
        }
    }
    for (int i = 0; i < kSpectrumSums; i++) {
        s.re[i] = static_cast<float>(s.acc_re[i]);
        s.im[i] = static_cast<float>(s.acc_im[i]);
    }
}

template <int W>
inline void fold_half(float (&part)[3][kClassLanes]) {
    for (int c = 0; c < 3; c++)
        for (int l = 0; l < W; l++) part[c][l] = part[c][l + W] > part[c][l] ? part[c][l + W] : part[c][l];
}

// Largest squared windowed magnitude in each class.
OSTREL_VECTOR_CLONES
void class_powers(const SlidingSpectrum& s, float (&best)[3]) {
    float part[3][kClassLanes];
    for (int c = 0; c < 3; c++)
        for (int l = 0; l < kClassLanes; l++) part[c][l] = 0.0f;
    for (int b = 0; b < kSpectrumLanes; b += kClassLanes) {
        for (int l = 0; l < kClassLanes; l++) {
            const int k = b + l;
            const float sr = 0.5f * s.re[k] - 0.25f * (s.re[k + kSpectrumLanes] + s.re[k + 2 * kSpectrumLanes]);
            const float si = 0.5f * s.im[k] - 0.25f * (s.im[k + kSpectrumLanes] + s.im[k + 2 * kSpectrumLanes]);
            const float p = sr * sr + si * si;
            for (int c = 0; c < 3; c++) {
                const float v = p * s.mask[c][k];
                part[c][l] = v > part[c][l] ? v : part[c][l];
            }
        }
    }
    // Fold the partial maxima pairwise rather than in one long chain.
    fold_half<8>(part);
    fold_half<4>(part);
    fold_half<2>(part);
    fold_half<1>(part);
    for (int c = 0; c < 3; c++) best[c] = part[c][0];
}

}  // namespace

void spectrum_init(SlidingSpectrum& s, const ToneDetector& d) {
    for (int set = 0; set < 3; set++) {
        const double shift = set == 0 ? 0.0 : set == 1 ? -kHannPhi : kHannPhi;
        for (int k = 0; k < kSpectrumLanes; k++) {
            const int i = set * kSpectrumLanes + k;
            const double t = kTwoPi * k / 128.0 + shift;
            s.re[i] = s.im[i] = 0.0f;
            s.step_re[i] = static_cast<float>(std::cos(t));
            s.step_im[i] = static_cast<float>(std::sin(t));
            s.in_re[i] = static_cast<float>(std::cos(t * kHannLength));
            s.in_im[i] = static_cast<float>(-std::sin(t * kHannLength));
            for (int n = 0; n < kHannLength; n++) {
                s.tw_re[n][i] = std::cos(t * n);
                s.tw_im[n][i] = -std::sin(t * n);
            }
        }
    }
    for (int k = 0; k < kSpectrumLanes; k++) {
        const int c = k < kSearchedBins ? class_of(d, k) : -1;
        for (int m = 0; m < 3; m++) s.mask[m][k] = c == m ? 1.0f : 0.0f;
    }
    s.until_anchor = 0;
    s.sum_error = 0.0;
}

void spectrum_step(SlidingSpectrum& s, double x_old, double x_new, const double* span, double abs_sum) {
    if (s.until_anchor == 0) {
        sum_directly(s, span);
        s.until_anchor = kSpectrumAnchorEvery;
        s.sum_error = (kFloatRound + 1.0e-13) * abs_sum;
        return;
    }
    s.until_anchor--;
    // Samples are multiples of 2^-16: exact in float.
    rotate_all(s, static_cast<float>(x_old), static_cast<float>(x_new));
    s.sum_error += 6.0 * kFloatRound * (abs_sum + s.sum_error) + 16.0 * kFloatRound * (std::fabs(x_old) + std::fabs(x_new));
}

int spectrum_decision(const SlidingSpectrum& s, double abs_sum, int tone_bit) {
    float power[3];
    class_powers(s, power);
    int w = 0;
    for (int c = 1; c < 3; c++)
        if (power[c] > power[w]) w = c;
    double other = 0.0;
    for (int c = 0; c < 3; c++)
        if (c != w && power[c] > other) other = power[c];
    // Magnitudes m = sqrt(power) within `bound` of max_bin's: the leading
    // class is max_bin's if m_w - m_o > 2 bound. As m_w - m_o = (p_w - p_o) /
    // (m_w + m_o) >= (p_w - p_o) / (2 m_w), it suffices that
    // (p_w - p_o)^2 > 16 bound^2 p_w; 17 leaves room for this arithmetic's
    // own rounding.
    const double e = s.sum_error;
    const double bound = e + 4.0 * kFloatRound * (abs_sum + e) + kReferenceError * abs_sum;
    const double gap = static_cast<double>(power[w]) - other;
    if (!(gap > 0.0) || gap * gap <= 17.0 * bound * bound * static_cast<double>(power[w])) return -1;
    return w == 2 ? tone_bit : w;
}
