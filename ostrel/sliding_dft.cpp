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

// Eight lanes: the unit the low bins' pass works in (one AVX register, two
// SSE or NEON registers; sixteen lanes compile poorly without AVX-512).
typedef float Lanes8 __attribute__((vector_size(32)));

[[gnu::always_inline]] inline void load8(Lanes8& v, const float* p) { std::memcpy(&v, p, sizeof v); }

// One sum's step (sum_step's arithmetic), on values held in variables.
template <class V>
[[gnu::always_inline]] inline void turn(V& re, V& im, V sr, V si, V in_re, V in_im, V xo, V xn) {
    const V tr = re + (xn * in_re - xo);
    const V ti = im + xn * in_im;
    re = sr * tr - si * ti;
    im = sr * ti + si * tr;
}

// The low bins' windows [t, stop) of a stretch with no anchor of either
// chain in it, as spectrum_step and energy_step would go one by one: the
// sums (s.re, s.im) in variables, in two halves of eight bins; each
// window's |2 S|^2 and E into the rows, the energy's bound into energy[].
[[gnu::always_inline]] inline void low_stretch(SlidingSpectrum& s, const float* x, const double* h,
                                               const double* abs_sum, int first, int t, int stop, SpectrumRows& rows,
                                               double* energy) {
    constexpr int kB = kSpectrumLanes;
    const SlidingTurns<float, kSpectrumSums>& c = s.turns;
    SlidingEnergy& en = s.energy;
    Lanes8 re[3][2], im[3][2];
    for (int set = 0; set < 3; set++)
        for (int half = 0; half < 2; half++) {
            load8(re[set][half], s.re + set * kB + 8 * half);
            load8(im[set][half], s.im + set * kB + 8 * half);
        }
    double er0 = en.re[0], er1 = en.re[1], ei0 = en.im[0], ei1 = en.im[1];
    double plain = en.plain, ee = en.sum_error, e = s.sum_error;
    for (; t < stop; t++) {
        const float xo = x[t];
        const float xn = x[t + kHannLength];
        const Lanes8 vo = {xo, xo, xo, xo, xo, xo, xo, xo};
        const Lanes8 vn = {xn, xn, xn, xn, xn, xn, xn, xn};
        float* row = rows.power[t - first];
        for (int half = 0; half < 2; half++) {
            for (int set = 0; set < 3; set++) {
                const int j = set * kB + 8 * half;
                Lanes8 sr, si, in_re, in_im;
                load8(sr, c.step_re + j);
                load8(si, c.step_im + j);
                load8(in_re, c.in_re + j);
                load8(in_im, c.in_im + j);
                turn(re[set][half], im[set][half], sr, si, in_re, in_im, vo, vn);
            }
            const Lanes8 sr = re[0][half] - 0.5f * (re[1][half] + re[2][half]);
            const Lanes8 si = im[0][half] - 0.5f * (im[1][half] + im[2][half]);
            const Lanes8 p = sr * sr + si * si;
            std::memcpy(row + 8 * half, &p, sizeof p);
        }
        e = bound_after_step<float>(e, abs_sum[t], static_cast<double>(std::fabs(xo) + std::fabs(xn)));
        rows.sum_error[t - first] = e;
        // The energy's own chain (energy_step's arithmetic).
        const double so = h[t] * h[t];
        const double sn = h[t + kHannLength] * h[t + kHannLength];
        plain += sn - so;
        const SlidingTurns<double, 2>& q = en.turns;
        turn(er0, ei0, q.step_re[0], q.step_im[0], q.in_re[0], q.in_im[0], so, sn);
        turn(er1, ei1, q.step_re[1], q.step_im[1], q.in_re[1], q.in_im[1], so, sn);
        ee = bound_after_step<double>(ee, plain, so + sn);
        const double v = 0.375 * plain - 0.5 * er0 + 0.125 * er1;
        energy[t] = v + 0.625 * ee + 4.0 * SumBound<double>::u * plain;
    }
    for (int set = 0; set < 3; set++)
        for (int half = 0; half < 2; half++) {
            std::memcpy(s.re + set * kB + 8 * half, &re[set][half], sizeof(Lanes8));
            std::memcpy(s.im + set * kB + 8 * half, &im[set][half], sizeof(Lanes8));
        }
    en.re[0] = er0, en.re[1] = er1, en.im[0] = ei0, en.im[1] = ei1;
    en.plain = plain, en.sum_error = ee;
    s.sum_error = e;
}

// The low bins over samples [first, end) of a block, the same steps and
// anchors as spectrum_step's (and energy_step's), and each window's
// measures: stretches between anchors in one pass.
VECTOR_CLONES
void run_low_bins(SlidingSpectrum& s, const float* x, const double* h, const double* abs_sum, int first, int end,
                  SpectrumRows& rows, double* energy) {
    SlidingEnergy& en = s.energy;
    int t = first;
    while (t < end) {
        if (s.until_anchor == 0) {
            // Sums the low bins directly, then steps the energy alone.
            for (int set = 0; set < 3; set++) {
                const int base = set * kSpectrumLanes;
                sums_anchor(s.turns, x + t + 1, s.re, s.im, base, base + kLowBins);
            }
            s.until_anchor = kSpectrumAnchorEvery;
            s.sum_error = bound_anchored<float>(abs_sum[t]);
            float* row = rows.power[t - first];
            for (int k = 0; k < kLowBins; k++) {
                const float sr = s.re[k] - 0.5f * (s.re[k + kSpectrumLanes] + s.re[k + 2 * kSpectrumLanes]);
                const float si = s.im[k] - 0.5f * (s.im[k + kSpectrumLanes] + s.im[k + 2 * kSpectrumLanes]);
                row[k] = sr * sr + si * si;
            }
            rows.sum_error[t - first] = s.sum_error;
            energy_step(en, h[t], h[t + kHannLength], h + t + 1);
            energy[t] = energy_upper(en);
            t++;
            continue;
        }
        if (en.until_anchor == 0) {
            // The energy anchors here: the window's spectrum step alone first.
            low_stretch(s, x, h, abs_sum, first, t, t + 1, rows, energy);
            s.until_anchor--;
            energy_anchor(en, h + t + 1);
            energy[t] = energy_upper(en);
            t++;
            continue;
        }
        int stop = end;
        if (stop - t > s.until_anchor) stop = t + s.until_anchor;
        if (stop - t > en.until_anchor) stop = t + en.until_anchor;
        low_stretch(s, x, h, abs_sum, first, t, stop, rows, energy);
        s.until_anchor -= stop - t;
        en.until_anchor -= stop - t;
        t = stop;
    }
    // Whole groups of eight for spectrum_rows_decide.
    for (int j = end - first; j % 8 != 0; j++) {
        for (int k = 0; k < kLowBins; k++) rows.power[j][k] = 0.0f;
        rows.sum_error[j] = 0.0;
    }
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
    for (int c = 0; c < 3; c++) s.low_class_count[c] = 0;
    for (int k = 0; k < kLowBins; k++) {
        const int c = s.neither[k] == 1.0f ? 2 : tone_from_peak(d, k, kNeither);
        s.low_class[c][s.low_class_count[c]++] = k;
    }
    s.neither_max = 0.0f;
    s.checked = 0;
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
}

namespace {

// An upper bound on sqrt(y): the root is rounded to nearest, the factor
// lifts it (and its own rounding) above the exact root.
inline double root_above(double y) { return std::sqrt(y) * (1.0 + 1.0e-15); }

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
bool rest_below(const SlidingSpectrum& s, double pw, double d, double energy) {
    // low_sum is a float sum of 16 terms: within 16 u of M either way.
    const double m = static_cast<double>(s.low_sum);
    const double m31 = 31.0 * m * (1.0 + 16.0 * SumBound<float>::u);
    const double lower = m * (1.0 - 16.0 * SumBound<float>::u) - 2.0 * d * root_above(m31);
    const double total = 128.0 * energy;
    // The difference may cancel: allow for its rounding in absolute terms.
    const double rest2 = 0.5 * (total - lower) + 1.0e-15 * (total + std::fabs(lower));
    // Both sides are far from the rounding of doubles.
    const double reach2 = 0.25 * (1.0 - 1.0e-12) * pw - 2.0 * d * root_above(pw);
    return reach2 > rest2 * (1.0 + 1.0e-12);
}

}  // namespace

namespace {

// The decision from the class maxima of |2 S|^2 (the 2200 Hz window, the
// 1200 Hz window, neither), E and A.
int decide_classes(SlidingSpectrum& s, const float* power, double e, double abs_sum, double energy, int tone_bit) {
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
            s.bound_held = rest_below(s, pw, d, energy) ? s.bound_held + 8 : 0;
            if (s.bound_held >= kBoundedAfter) s.lanes = kLowBins;
        }
        return w;
    }
    if (rest_below(s, pw, d, energy)) return w;
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

int spectrum_decision(SlidingSpectrum& s, double abs_sum, double energy, int tone_bit) {
    float power[3];
    tone_maxima(s, s.power, power);
    power[2] = s.neither_max;
    return decide_classes(s, power, s.sum_error, abs_sum, energy, tone_bit);
}

void spectrum_run_low(SlidingSpectrum& s, const float* x, const double* h, const double* abs_sum, int first, int end,
                      SpectrumRows& rows, double* energy) {
    run_low_bins(s, x, h, abs_sum, first, end, rows, energy);
}

int spectrum_row_decision(SlidingSpectrum& s, const SpectrumRows& rows, int j, double abs_sum, double energy,
                          int tone_bit) {
    const float* row = rows.power[j];
    float power[3];
    tone_maxima(s, row, power);
    float low[kClassLanes];
    float part[kClassLanes];
    for (int k = 0; k < kLowBins; k++) {
        low[k] = row[k] * s.low_weight[k];
        part[k] = row[k] * s.neither[k];
    }
    power[2] = lanes_max(part);
    s.low_sum = lanes_sum(low);
    return decide_classes(s, power, rows.sum_error[j], abs_sum, energy, tone_bit);
}

namespace {

// decide_classes for a chunk of rows, with no state and no branches, so
// that the windows run side by side in vector lanes. The gap test is
// decide_classes' own; the rest test asks for more than rest_below does,
// without square roots:
//   pw / 4 - 2 d sqrt(pw) > (total - m (1 - 16 u)) / 2 + d sqrt(m31),
// rest_below's test with its allowances for rounding, holds when
// L > 2 d (sqrt(pw) + sqrt(m31)), L the difference of the terms without
// d; and as (a + b)^2 <= 2 (a^2 + b^2), when L > 0 and
// L^2 > 8 d^2 (pw + m31). L takes rest_below's factors (1 +- 1e-12) and
// 1e-15 (total + m), less 1e-11 (pw + total + m) for the rounding of its
// own terms and the factors applied to a negative sum; 8.01 covers the
// rounding of the squares. Where it fails, rest_below decides.
typedef double Rows4 __attribute__((vector_size(32)));
typedef long long Codes4 __attribute__((vector_size(32)));
typedef float Rows4f __attribute__((vector_size(16)));
typedef signed char Bytes4 __attribute__((vector_size(4)));

// Eight rows of eight floats turned into eight columns, in place.
[[gnu::always_inline]] inline void transpose8(Lanes8* r) {
    Lanes8 t[8], v[8];
    for (int i = 0; i < 8; i += 2) {
        t[i] = __builtin_shufflevector(r[i], r[i + 1], 0, 8, 1, 9, 4, 12, 5, 13);
        t[i + 1] = __builtin_shufflevector(r[i], r[i + 1], 2, 10, 3, 11, 6, 14, 7, 15);
    }
    for (int i = 0; i < 8; i += 4) {
        v[i] = __builtin_shufflevector(t[i], t[i + 2], 0, 1, 8, 9, 4, 5, 12, 13);
        v[i + 1] = __builtin_shufflevector(t[i], t[i + 2], 2, 3, 10, 11, 6, 7, 14, 15);
        v[i + 2] = __builtin_shufflevector(t[i + 1], t[i + 3], 0, 1, 8, 9, 4, 5, 12, 13);
        v[i + 3] = __builtin_shufflevector(t[i + 1], t[i + 3], 2, 3, 10, 11, 6, 7, 14, 15);
    }
    for (int k = 0; k < 4; k++) {
        r[k] = __builtin_shufflevector(v[k], v[k + 4], 0, 1, 2, 3, 8, 9, 10, 11);
        r[k + 4] = __builtin_shufflevector(v[k], v[k + 4], 4, 5, 6, 7, 12, 13, 14, 15);
    }
}

[[gnu::always_inline]] inline void rows_load(const double* v, Rows4& out) { std::memcpy(&out, v, sizeof out); }

// Four windows' tests in double, from their class maxima and low sums.
[[gnu::always_inline]] inline void decide4(const Rows4f& c0, const Rows4f& c1, const Rows4f& c2, const Rows4f& low,
                                           const double* abs_sum, const double* sum_error, const double* energy,
                                           int zero_code, int tone_bit, int8_t* out) {
    constexpr double u = SumBound<float>::u;
    Rows4 a, e, total;
    rows_load(abs_sum, a);
    rows_load(sum_error, e);
    rows_load(energy, total);
    const Rows4 p0 = __builtin_convertvector(c0, Rows4);
    const Rows4 p1 = __builtin_convertvector(c1, Rows4);
    const Rows4 p2 = __builtin_convertvector(c2, Rows4);
    const Rows4 m = __builtin_convertvector(low, Rows4);
    // The leading class as decide_classes picks it (the first of equal
    // ones), and the largest of the others.
    const Codes4 one = p1 > p0;
    const Rows4 p01 = one ? p1 : p0;
    const Rows4 o01 = one ? p0 : p1;
    const Codes4 two = p2 > p01;
    const Rows4 pw = two ? p2 : p01;
    const Rows4 po = two ? p01 : (p2 > o01 ? p2 : o01);
    const Codes4 w = two ? Codes4{} + 2 : one ? Codes4{} + 1 : Codes4{};
    // bound_distance<float>, written out (a vector would be returned).
    using B = SumBound<float>;
    const Rows4 d = e * static_cast<double>(static_cast<float>((1.0 + B::formed) * B::raise)) +
                    a * static_cast<double>(static_cast<float>(B::formed + B::reference));
    const Rows4 gap = pw - po;
    const Codes4 apart = (gap > 0.0) & (gap * gap > 65.0 * d * d * pw);
    const Rows4 m31 = 31.0 * m * (1.0 + 16.0 * u);
    total = 128.0 * total;
    const Rows4 rest2 = 0.5 * (total - m * (1.0 - 16.0 * u)) + 1.0e-15 * (total + m);
    const Rows4 l = 0.25 * (1.0 - 1.0e-12) * pw - rest2 * (1.0 + 1.0e-12) - 1.0e-11 * (pw + total + m);
    const Codes4 below = (l > 0.0) & (l * l > 8.01 * d * d * (pw + m31));
    const Codes4 settled = w == 2 ? Codes4{} + tone_bit : below ? w : Codes4{} - 2;
    const Codes4 code = a == 0.0 ? Codes4{} + zero_code : apart ? settled : Codes4{} - 1;
    const Bytes4 bytes = __builtin_convertvector(code, Bytes4);
    std::memcpy(out, &bytes, sizeof bytes);
}

// decide_classes for a chunk of rows, with no state and no branches, so
// that the windows run side by side in vector lanes. The gap test is
// decide_classes' own; the rest test asks for more than rest_below does,
// without square roots:
//   pw / 4 - 2 d sqrt(pw) > (total - m (1 - 16 u)) / 2 + d sqrt(m31),
// rest_below's test with its allowances for rounding, holds when
// L > 2 d (sqrt(pw) + sqrt(m31)), L the difference of the terms without
// d; and as (a + b)^2 <= 2 (a^2 + b^2), when L > 0 and
// L^2 > 8 d^2 (pw + m31). L takes rest_below's factors (1 +- 1e-12) and
// 1e-15 (total + m), less 1e-11 (pw + total + m) for the rounding of its
// own terms and the factors applied to a negative sum; 8.01 covers the
// rounding of the squares. Where it fails, rest_below decides.
VECTOR_CLONES
void rows_decide(const SlidingSpectrum& s, const SpectrumRows& r, const double* abs_sum, const double* energy,
                 int count, int zero_code, int tone_bit, int8_t* out) {
    for (int j = 0; j < count; j += 8) {
        // The eight windows' bins as columns: col[k] holds bin k of each.
        Lanes8 col[kLowBins];
        for (int l = 0; l < 8; l++) {
            load8(col[l], r.power[j + l]);
            load8(col[l + 8], r.power[j + l] + 8);
        }
        transpose8(col);
        transpose8(col + 8);
        // The class maxima, and the weighted sum of the low bins (a float
        // sum of 16 terms in some order: within 16 u of M).
        Lanes8 c[3];
        for (int k = 0; k < 3; k++) {
            c[k] = Lanes8{};
            for (int i = 0; i < s.low_class_count[k]; i++) {
                const Lanes8 v = col[s.low_class[k][i]];
                c[k] = v > c[k] ? v : c[k];
            }
        }
        Lanes8 rest = col[1];
        for (int k = 2; k < kLowBins; k++) rest += col[k];
        const Lanes8 low = 0.25f * col[0] + 0.5f * rest;
        for (int q = 0; q < 2; q++) {
            const Rows4f c0 =
                q ? __builtin_shufflevector(c[0], c[0], 4, 5, 6, 7) : __builtin_shufflevector(c[0], c[0], 0, 1, 2, 3);
            const Rows4f c1 =
                q ? __builtin_shufflevector(c[1], c[1], 4, 5, 6, 7) : __builtin_shufflevector(c[1], c[1], 0, 1, 2, 3);
            const Rows4f c2 =
                q ? __builtin_shufflevector(c[2], c[2], 4, 5, 6, 7) : __builtin_shufflevector(c[2], c[2], 0, 1, 2, 3);
            const Rows4f lw =
                q ? __builtin_shufflevector(low, low, 4, 5, 6, 7) : __builtin_shufflevector(low, low, 0, 1, 2, 3);
            const int at = j + 4 * q;
            decide4(c0, c1, c2, lw, abs_sum + at, r.sum_error + at, energy + at, zero_code, tone_bit, out + at);
        }
    }
}

}  // namespace

void spectrum_rows_decide(const SlidingSpectrum& s, const SpectrumRows& rows, const double* abs_sum,
                          const double* energy, int count, int zero_code, int tone_bit, int8_t* out) {
    rows_decide(s, rows, abs_sum, energy, count, zero_code, tone_bit, out);
}

}  // namespace sonde::ostrel
