#include "ostrel/sliding_bins.h"

#include <cmath>
#include <cstring>

#include "dsp/vector_clones.h"

namespace sonde::ostrel {

namespace {

constexpr double kTwoPi = 6.283185307179586;
// The three sums of a bin: at theta, theta - phi and theta + phi.
constexpr double kSetShift[3] = {0.0, -kHannPhi, kHannPhi};

template <class V>
inline V abs_of(V x) {
    return x < 0.0f ? -x : x;
}

// ---- The two-bin method -------------------------------------------------

template <class V>
inline void lane_anchor(const SlidingTurns<float, kTwoBinSums>& c, SlidingBins<V, kTwoBinSums>& l, const V* span) {
    V a{};
    for (int n = 0; n < kHannLength; n++) a += abs_of(span[n]);
    bins_anchor(c, l, span, a);
}

// |2 S|^2 of a bin from its three sums (at theta, theta - phi, theta + phi):
// 2 S = R0 - 1/2 (R- + R+) (scaled exactly).
template <class V>
[[gnu::always_inline]] inline V twice_power(V re0, V re1, V re2, V im0, V im1, V im2) {
    const V r = re0 - 0.5f * (re1 + re2);
    const V m = im0 - 0.5f * (im1 + im2);
    return r * r + m * m;
}

// |2 S|^2 of bin b of the two-bin method.
template <class V>
inline V twice_bin_power(const SlidingBins<V, kTwoBinSums>& l, int b) {
    const int j = 3 * b;
    return twice_power(l.re[j], l.re[j + 1], l.re[j + 2], l.im[j], l.im[j + 1], l.im[j + 2]);
}

// 0 or 1 where the estimates settle the comparison of dft_k's magnitudes
// m0, m1, -1 where too close to call. Each lies within d, and m0 + m1 <=
// 2 (A + d): a difference of |2 S|^2 above 16 d (A + d) means m0 - m1 > 2 d
// (16.04 covers the rounding in float). With A = 0 both bins are zero and
// dft_k's tie gives 1.
template <class V>
inline V lane_decision(const SlidingBins<V, kTwoBinSums>& l) {
    const V d = bound_distance<float>(l.sum_error, l.abs_sum);
    const V margin = 16.04f * d * (l.abs_sum + d);
    const V diff = twice_bin_power(l, 0) - twice_bin_power(l, 1);
    const V fast = diff > margin ? 0.0f : diff < -margin ? 1.0f : -1.0f;
    return l.abs_sum == 0.0f ? 1.0f : fast;
}

typedef float NarrowLanes __attribute__((vector_size(kTwoBinLanes * sizeof(float))));
typedef float WideLanes __attribute__((vector_size(kTwoBinWideLanes * sizeof(float))));

// `segments` (1..Lanes) whole segments from x[0] (the first x_old) on, lane
// l taking segment l; spare lanes repeat the last and are not written out.
template <class LaneFloats, int Lanes>
inline __attribute__((always_inline)) void decide_group(const SlidingTurns<float, kTwoBinSums>& c, const float* x,
                                                        int segments, int8_t* decision) {
    // Each lane's samples side by side: at[k][l] = x[l * segment + k].
    constexpr int kSpan = kTwoBinSegment + kHannLength;
    alignas(64) LaneFloats at[kSpan];
    for (int l = 0; l < Lanes; l++) {
        const float* from = x + (l < segments ? l : segments - 1) * kTwoBinSegment;
        for (int k = 0; k < kSpan; k++) at[k][l] = from[k];
    }
    SlidingBins<LaneFloats, kTwoBinSums> g;
    lane_anchor(c, g, at + 1);
    for (int m = 0;;) {
        const LaneFloats v = lane_decision(g);
        for (int l = 0; l < segments; l++) decision[l * kTwoBinSegment + m] = static_cast<int8_t>(v[l]);
        if (++m == kTwoBinSegment) break;
        bins_step(c, g, at[m], at[m + kHannLength], abs_of(at[m]), abs_of(at[m + kHannLength]));
    }
}

void decide_narrow_group(const SlidingTurns<float, kTwoBinSums>& c, const float* x, int segments, int8_t* decision) {
    decide_group<NarrowLanes, kTwoBinLanes>(c, x, segments, decision);
}

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
#define OSTREL_WIDE_LANES 1
__attribute__((target("avx2"))) void decide_wide_group(const SlidingTurns<float, kTwoBinSums>& c, const float* x,
                                                       int segments, int8_t* decision) {
    decide_group<WideLanes, kTwoBinWideLanes>(c, x, segments, decision);
}
#endif

// Segments in one group: wider where the processor has AVX2.
int group_lanes() {
#ifdef OSTREL_WIDE_LANES
    if (__builtin_cpu_supports("avx2")) return kTwoBinWideLanes;
#endif
    return kTwoBinLanes;
}

}  // namespace

void two_bins_init(SlidingTwoBins& s, int idx_2200, int idx_1200, SinCos sincos) {
    const int bins[2] = {idx_2200, idx_1200};
    double theta[kTwoBinSums];
    for (int j = 0; j < kTwoBinSums; j++) theta[j] = kTwoPi * bins[j / 3] / 128.0 + kSetShift[j % 3];
    turns_init(s.turns, theta, sincos);
    s.same_bins = idx_2200 == idx_1200;
    s.lane = SlidingBins<float, kTwoBinSums>{};
}

void two_bins_decide(SlidingTwoBins& s, const float* x, int64_t first, int count, int8_t* decision) {
    const int lanes = group_lanes();
    int i = 0;
    while (i < count) {
        const int64_t at = first + i;
        const int segments = (count - i) / kTwoBinSegment;
        if (at % kTwoBinSegment == 0 && segments > 0) {
            // Whole segments, a group of them side by side.
            const int n = segments < lanes ? segments : lanes;
#ifdef OSTREL_WIDE_LANES
            if (lanes == kTwoBinWideLanes)
                decide_wide_group(s.turns, x + i, n, decision + i);
            else
#endif
                decide_narrow_group(s.turns, x + i, n, decision + i);
            i += n * kTwoBinSegment;
            continue;
        }
        // One sample of the segment in progress, through the same arithmetic.
        if (at % kTwoBinSegment == 0)
            lane_anchor(s.turns, s.lane, x + i + 1);
        else
            bins_step(s.turns, s.lane, x[i], x[i + kHannLength], abs_of(x[i]), abs_of(x[i + kHannLength]));
        decision[i] = static_cast<int8_t>(lane_decision(s.lane));
        i++;
    }
    if (s.same_bins)
        for (int j = 0; j < count; j++) decision[j] = 1;
}

// ---- The window's energy ------------------------------------------------

namespace {

// Sums the squares of the span directly.
void energy_anchor(SlidingEnergy& e, const double* span) {
    double squares[kHannLength];
    double plain = 0.0;
    for (int n = 0; n < kHannLength; n++) {
        squares[n] = span[n] * span[n];
        plain += squares[n];  // exact: squares of multiples of 2^-16 below 1/4
    }
    bins_anchor(e.turns, e.sums, squares, plain);
    e.until_anchor = kEnergyAnchorEvery;
}

// x_old leaves, x_new enters, span holds the 80 samples after the move.
void energy_step(SlidingEnergy& e, double x_old, double x_new, const double* span) {
    if (e.until_anchor == 0) return energy_anchor(e, span);
    e.until_anchor--;
    const double so = x_old * x_old;
    const double sn = x_new * x_new;
    bins_step(e.turns, e.sums, so, sn, so, sn);
}

// ---- The spectrum -------------------------------------------------------

// The spectrum's unit: one AVX or two SSE or NEON registers (sixteen lanes
// compile poorly without AVX-512).
typedef float Lanes8 __attribute__((vector_size(32)));
typedef double Pair __attribute__((vector_size(16)));

[[gnu::always_inline]] inline void load8(Lanes8& v, const float* p) { std::memcpy(&v, p, sizeof v); }

// Windows [t, stop), no anchor of either chain among them, G groups of eight
// bins in variables: each window's |2 S|^2 and E into the rows, and with
// Energy the energy's bound into energy[].
template <int G, bool Energy>
[[gnu::always_inline]] inline void stretch(SlidingSpectrum& s, const float* x, const double* h, const double* abs_sum,
                                           int first, int t, int stop, SpectrumRows& rows, double* energy) {
    constexpr int kB = kSpectrumLanes;
    const SlidingTurns<float, kSpectrumSums>& c = s.turns;
    Lanes8 re[3][G], im[3][G];
    for (int set = 0; set < 3; set++)
        for (int g = 0; g < G; g++) {
            load8(re[set][g], s.re + set * kB + 8 * g);
            load8(im[set][g], s.im + set * kB + 8 * g);
        }
    // The energy's two sums side by side in one register, each lane through
    // bins_step's arithmetic.
    SlidingBins<double, 2> es = s.energy.sums;
    const SlidingTurns<double, 2>& q = s.energy.turns;
    Pair er = {es.re[0], es.re[1]}, ei = {es.im[0], es.im[1]};
    const Pair q_sr = {q.step_re[0], q.step_re[1]}, q_si = {q.step_im[0], q.step_im[1]};
    const Pair q_in_re = {q.in_re[0], q.in_re[1]}, q_in_im = {q.in_im[0], q.in_im[1]};
    double e = s.sum_error;
    for (; t < stop; t++) {
        const float xo = x[t];
        const float xn = x[t + kHannLength];
        const Lanes8 vo = {xo, xo, xo, xo, xo, xo, xo, xo};
        const Lanes8 vn = {xn, xn, xn, xn, xn, xn, xn, xn};
        float* row = rows.power[t - first];
        for (int g = 0; g < G; g++) {
            for (int set = 0; set < 3; set++) {
                const int j = set * kB + 8 * g;
                Lanes8 sr, si, in_re, in_im;
                load8(sr, c.step_re + j);
                load8(si, c.step_im + j);
                load8(in_re, c.in_re + j);
                load8(in_im, c.in_im + j);
                turn(re[set][g], im[set][g], sr, si, in_re, in_im, vo, vn);
            }
            const Lanes8 p = twice_power(re[0][g], re[1][g], re[2][g], im[0][g], im[1][g], im[2][g]);
            std::memcpy(row + 8 * g, &p, sizeof p);
        }
        e = bound_after_step<float>(e, abs_sum[t], static_cast<double>(std::fabs(xo) + std::fabs(xn)));
        rows.sum_error[t - first] = e;
        if (Energy) {
            const double so = h[t] * h[t];
            const double sn = h[t + kHannLength] * h[t + kHannLength];
            turn(er, ei, q_sr, q_si, q_in_re, q_in_im, Pair{so, so}, Pair{sn, sn});
            es.abs_sum += sn - so;
            es.sum_error = bound_after_step<double>(es.sum_error, es.abs_sum, so + sn);
            es.re[0] = er[0], es.re[1] = er[1];
            energy[t] = energy_upper(es);
        }
    }
    for (int set = 0; set < 3; set++)
        for (int g = 0; g < G; g++) {
            std::memcpy(s.re + set * kB + 8 * g, &re[set][g], sizeof(Lanes8));
            std::memcpy(s.im + set * kB + 8 * g, &im[set][g], sizeof(Lanes8));
        }
    es.re[0] = er[0], es.re[1] = er[1], es.im[0] = ei[0], es.im[1] = ei[1];
    s.energy.sums = es;
    s.sum_error = e;
}

// The tracked bins over samples [first, end) of a block: stretches between
// anchors in one pass each.
template <int G>
[[gnu::always_inline]] inline int run_bins(SlidingSpectrum& s, const float* x, const double* h, const double* abs_sum,
                                           int first, int end, int energy_to, SpectrumRows& rows, double* energy) {
    constexpr int kLanes = 8 * G;
    SlidingEnergy& en = s.energy;
    int t = first;
    while (t < end) {
        const bool step_energy = s.rest_bounded && t >= energy_to;
        if (s.until_anchor == 0) {
            // Sums the tracked bins directly (bins_anchor's arithmetic,
            // eight bins to a vector).
            for (int set = 0; set < 3; set++)
                for (int g = 0; g < G; g++) {
                    const int j = set * kSpectrumLanes + 8 * g;
                    Lanes8 re{}, im{}, tw;
                    for (int n = 0; n < kHannLength; n++) {
                        const float v = x[t + 1 + n];
                        const Lanes8 xv = {v, v, v, v, v, v, v, v};
                        load8(tw, s.turns.tw_re[n] + j);
                        re += xv * tw;
                        load8(tw, s.turns.tw_im[n] + j);
                        im += xv * tw;
                    }
                    std::memcpy(s.re + j, &re, sizeof re);
                    std::memcpy(s.im + j, &im, sizeof im);
                }
            s.until_anchor = kSpectrumAnchorEvery;
            s.sum_error = bound_anchored<float>(abs_sum[t]);
            float* row = rows.power[t - first];
            constexpr int kL = kSpectrumLanes;
            for (int k = 0; k < kLanes; k++)
                row[k] = twice_power(s.re[k], s.re[k + kL], s.re[k + 2 * kL], s.im[k], s.im[k + kL], s.im[k + 2 * kL]);
            rows.sum_error[t - first] = s.sum_error;
        } else if (step_energy && en.until_anchor == 0) {
            // The energy anchors here.
            stretch<G, false>(s, x, h, abs_sum, first, t, t + 1, rows, energy);
            s.until_anchor--;
        } else {
            int stop = end;
            if (stop - t > s.until_anchor) stop = t + s.until_anchor;
            if (step_energy && stop - t > en.until_anchor) stop = t + en.until_anchor;
            if (!step_energy && s.rest_bounded && stop > energy_to) stop = energy_to;
            if (step_energy)
                stretch<G, true>(s, x, h, abs_sum, first, t, stop, rows, energy);
            else
                stretch<G, false>(s, x, h, abs_sum, first, t, stop, rows, energy);
            s.until_anchor -= stop - t;
            if (step_energy) en.until_anchor -= stop - t;
            t = stop;
            continue;
        }
        if (step_energy) {
            energy_step(en, h[t], h[t + kHannLength], h + t + 1);
            energy[t] = energy_upper(en.sums);
        }
        t++;
    }
    // Whole groups of eight for spectrum_rows_decide.
    for (int j = end - first; j % 8 != 0; j++) {
        for (int k = 0; k < kLanes; k++) rows.power[j][k] = 0.0f;
        rows.sum_error[j] = 0.0;
    }
    if (!s.rest_bounded) {
        for (int j = first; j < end; j++) energy[j] = 0.0;
        return end;
    }
    return end > energy_to ? end : energy_to;
}

}  // namespace

void spectrum_init(SlidingSpectrum& s, const ToneDetector& d, SinCos sincos) {
    s = SlidingSpectrum{};
    double theta[kSpectrumSums];
    for (int set = 0; set < 3; set++)
        for (int k = 0; k < kSpectrumLanes; k++) theta[set * kSpectrumLanes + k] = kTwoPi * k / 128.0 + kSetShift[set];
    turns_init(s.turns, theta, sincos);
    constexpr int kNeither = 2;
    int last_tone_bin = -1;
    for (int k = 0; k < kSearchedBins; k++) {
        const int c = tone_from_peak(d, k, kNeither);
        s.class_bins[c][s.class_count[c]++] = k;
        if (c != kNeither) last_tone_bin = k;
    }
    s.fewest = last_tone_bin < kFewBins ? kFewBins : last_tone_bin < kLowBins ? kLowBins : kSpectrumLanes;
    s.rest_bounded = s.fewest < kSpectrumLanes;
    s.lanes = s.fewest;
    const double psi[2] = {kHannPhi, 2 * kHannPhi};
    turns_init(s.energy.turns, psi, sincos);
}

// Built for each vector width.
VECTOR_CLONES int spectrum_run(SlidingSpectrum& s, const float* x, const double* h, const double* abs_sum, int first,
                               int end, int energy_to, SpectrumRows& rows, double* energy) {
    if (s.lanes == kFewBins) return run_bins<kFewBins / 8>(s, x, h, abs_sum, first, end, energy_to, rows, energy);
    if (s.lanes == kLowBins) return run_bins<kLowBins / 8>(s, x, h, abs_sum, first, end, energy_to, rows, energy);
    return run_bins<kSpectrumLanes / 8>(s, x, h, abs_sum, first, end, energy_to, rows, energy);
}

namespace {

// An upper bound on sqrt(y): the root is rounded to nearest, the factor
// lifts it (and its own rounding) above the exact root.
inline double root_above(double y) { return std::sqrt(y) * (1.0 + 1.0e-15); }

// With only the T low bins tracked: whether no untracked bin can reach the
// magnitude mw - 2 d, mw = sqrt(pw) / 2 the leading class's. Parseval for
// the 128-point transform Z of the weighted window (real, so |Z_k| =
// |Z_128-k|) gives, for any k >= T,
//   2 |Z_k|^2 <= 128 energy - |Z_0|^2 - 2 sum_{0<j<T} |Z_j|^2,
// and |Z_j| >= m_j - d gives |Z_j|^2 >= m_j^2 - 2 d m_j, so by
// Cauchy-Schwarz the subtracted sum is at least L = M - 2 d sqrt(terms M),
// terms = 2 T - 1, M = low_sum = |Z_0|^2 + 2 sum |Z_j|^2 as estimated (a
// float sum of at most 16 terms: within 16 u of M either way). Then
// (mw - 2 d)^2 >= mw^2 - 4 d mw = pw / 4 - 2 d sqrt(pw) must exceed
// (128 energy - L) / 2.
bool rest_below(double low_sum, int terms, double pw, double d, double energy) {
    const double m = low_sum;
    const double m31 = terms * m * (1.0 + 16.0 * SumBound<float>::u);
    const double lower = m * (1.0 - 16.0 * SumBound<float>::u) - 2.0 * d * root_above(m31);
    const double total = 128.0 * energy;
    // The difference may cancel: allow for its rounding in absolute terms.
    const double rest2 = 0.5 * (total - lower) + 1.0e-15 * (total + std::fabs(lower));
    // Both sides are far from the rounding of doubles.
    const double reach2 = 0.25 * (1.0 - 1.0e-12) * pw - 2.0 * d * root_above(pw);
    return reach2 > rest2 * (1.0 + 1.0e-12);
}

// The class maxima of |2 S|^2 over a row's tracked bins, and its low sum
// M = 1/4 |2 S_0|^2 + 1/2 sum_{0<k<T} |2 S_k|^2 over T = low bins.
float row_measures(const SlidingSpectrum& s, const float* row, int lanes, int low, float* power) {
    for (int c = 0; c < 3; c++) {
        power[c] = 0.0f;
        for (int i = 0; i < s.class_count[c] && s.class_bins[c][i] < lanes; i++) {
            const float p = row[s.class_bins[c][i]];
            if (p > power[c]) power[c] = p;
        }
    }
    float rest = row[1];
    for (int k = 2; k < low; k++) rest += row[k];
    return 0.25f * row[0] + 0.5f * rest;
}

// With row_lanes bins tracked: every 8th time, whether the rung below would
// have done; once it has for kBoundedAfter windows, it takes over (its bins
// are among the tracked ones: no anchoring).
inline bool watch_due(SlidingSpectrum& s, int row_lanes) {
    return s.lanes == row_lanes && row_lanes > s.fewest && (++s.checked & 7) == 0;
}

void watch_rest(SlidingSpectrum& s, const float* row, int row_lanes, double pw, double d, double energy) {
    const int below = row_lanes == kSpectrumLanes ? kLowBins : kFewBins;
    float power[3];
    const float low_sum = row_measures(s, row, 0, below, power);
    s.bound_held = rest_below(low_sum, 2 * below - 1, pw, d, energy) ? s.bound_held + 8 : 0;
    if (s.bound_held >= kBoundedAfter) {
        s.lanes = below;
        s.bound_held = 0;
    }
}

}  // namespace

int spectrum_row_decision(SlidingSpectrum& s, const SpectrumRows& rows, int row_lanes, int j, double abs_sum,
                          double energy, int tone_bit) {
    float power[3];
    const int low = row_lanes < kLowBins ? row_lanes : kLowBins;
    const float low_sum = row_measures(s, rows.power[j], row_lanes, low, power);
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
    const double d = bound_distance<float>(rows.sum_error[j], abs_sum);
    const double pw = power[w];
    const double gap = pw - other;
    if (!(gap > 0.0) || gap * gap <= 65.0 * d * d * pw) return -1;
    if (w == 2) return tone_bit;  // untracked bins lie in neither window too
    if (!s.rest_bounded) return w;
    if (row_lanes == kSpectrumLanes || rest_below(low_sum, 2 * row_lanes - 1, pw, d, energy)) {
        if (watch_due(s, row_lanes)) watch_rest(s, rows.power[j], row_lanes, pw, d, energy);
        return w;
    }
    // The rung above from the next window on (summed directly then).
    if (s.lanes == row_lanes) s.lanes = row_lanes == kFewBins ? kLowBins : kSpectrumLanes;
    s.until_anchor = 0;
    s.bound_held = 0;
    return -1;
}

void spectrum_watch_rest(SlidingSpectrum& s, const SpectrumRows& rows, int row_lanes, int j, double abs_sum,
                         double energy) {
    if (!watch_due(s, row_lanes)) return;
    float power[3];
    row_measures(s, rows.power[j], row_lanes, 0, power);
    const double pw = power[0] > power[1] ? power[0] : power[1];
    watch_rest(s, rows.power[j], row_lanes, pw, bound_distance<float>(rows.sum_error[j], abs_sum), energy);
}

namespace {

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
// The gap test is spectrum_row_decision's own. The rest test (where
// terms > 0) asks for more than rest_below does, without square roots:
//   pw / 4 - 2 d sqrt(pw) > (total - m (1 - 16 u)) / 2 + d sqrt(m31),
// rest_below's test with its allowances for rounding, holds when
// L > 2 d (sqrt(pw) + sqrt(m31)), L the difference of the terms without
// d; and as (a + b)^2 <= 2 (a^2 + b^2), when L > 0 and
// L^2 > 8 d^2 (pw + m31). L takes rest_below's factors (1 +- 1e-12) and
// 1e-15 (total + m), less 1e-11 (pw + total + m) for the rounding of its
// own terms and the factors applied to a negative sum; 8.01 covers the
// rounding of the squares. Where it fails, rest_below decides.
[[gnu::always_inline]] inline void decide4(const Rows4f& c0, const Rows4f& c1, const Rows4f& c2, const Rows4f& low,
                                           const double* abs_sum, const double* sum_error, const double* energy,
                                           int terms, int zero_code, int tone_bit, int8_t* out) {
    constexpr double u = SumBound<float>::u;
    Rows4 a, e, total;
    rows_load(abs_sum, a);
    rows_load(sum_error, e);
    rows_load(energy, total);
    const Rows4 p0 = __builtin_convertvector(c0, Rows4);
    const Rows4 p1 = __builtin_convertvector(c1, Rows4);
    const Rows4 p2 = __builtin_convertvector(c2, Rows4);
    const Rows4 m = __builtin_convertvector(low, Rows4);
    // The leading class as spectrum_row_decision picks it (the first of
    // equal ones), and the largest of the others.
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
    const Rows4 m31 = terms * m * (1.0 + 16.0 * u);
    total = 128.0 * total;
    const Rows4 rest2 = 0.5 * (total - m * (1.0 - 16.0 * u)) + 1.0e-15 * (total + m);
    const Rows4 l = 0.25 * (1.0 - 1.0e-12) * pw - rest2 * (1.0 + 1.0e-12) - 1.0e-11 * (pw + total + m);
    const Codes4 below = (l > 0.0) & (l * l > 8.01 * d * d * (pw + m31));
    const Codes4 held = terms > 0 ? below : Codes4{} - 1;
    const Codes4 settled = w == 2 ? Codes4{} + tone_bit : held ? w : Codes4{} - 2;
    const Codes4 code = a == 0.0 ? Codes4{} + zero_code : apart ? settled : Codes4{} - 1;
    const Bytes4 bytes = __builtin_convertvector(code, Bytes4);
    std::memcpy(out, &bytes, sizeof bytes);
}

// spectrum_row_decision for a chunk of rows, with no state and no
// branches, so that the windows run side by side in vector lanes.
template <int G>
[[gnu::always_inline]] inline void rows_decide(const SlidingSpectrum& s, const SpectrumRows& r, const double* abs_sum,
                                               const double* energy, int count, int zero_code, int tone_bit,
                                               int8_t* out) {
    constexpr int kLanes = 8 * G;
    constexpr int kLow = kLanes < kLowBins ? kLanes : kLowBins;
    constexpr int kTerms = kLanes < kSpectrumLanes ? 2 * kLanes - 1 : 0;  // 0: no rest test
    int tracked[3];                                                       // bins of each class among the tracked ones
    for (int k = 0; k < 3; k++)
        for (tracked[k] = 0; tracked[k] < s.class_count[k] && s.class_bins[k][tracked[k]] < kLanes;) tracked[k]++;
    for (int j = 0; j < count; j += 8) {
        // The eight windows' bins as columns: col[k] holds bin k of each.
        Lanes8 col[kLanes];
        for (int g = 0; g < G; g++) {
            for (int l = 0; l < 8; l++) load8(col[8 * g + l], r.power[j + l] + 8 * g);
            transpose8(col + 8 * g);
        }
        // The class maxima, and the low sum as row_measures forms it.
        Lanes8 c[3];
        for (int k = 0; k < 3; k++) {
            c[k] = Lanes8{};
            for (int i = 0; i < tracked[k]; i++) {
                const Lanes8 v = col[s.class_bins[k][i]];
                c[k] = v > c[k] ? v : c[k];
            }
        }
        Lanes8 rest = col[1];
        for (int k = 2; k < kLow; k++) rest += col[k];
        const Lanes8 low = 0.25f * col[0] + 0.5f * rest;
        for (int q = 0; q < 2; q++) {
            // Windows 4q to 4q + 3.
            auto half = [q](Lanes8 v) -> Rows4f {
                return q ? __builtin_shufflevector(v, v, 4, 5, 6, 7) : __builtin_shufflevector(v, v, 0, 1, 2, 3);
            };
            const int at = j + 4 * q;
            decide4(half(c[0]), half(c[1]), half(c[2]), half(low), abs_sum + at, r.sum_error + at, energy + at, kTerms,
                    zero_code, tone_bit, out + at);
        }
    }
}

}  // namespace

// Built for each vector width.
VECTOR_CLONES void spectrum_rows_decide(const SlidingSpectrum& s, const SpectrumRows& r, const double* abs_sum,
                                        const double* energy, int count, int zero_code, int tone_bit, int8_t* out) {
    if (s.lanes == kFewBins)
        rows_decide<kFewBins / 8>(s, r, abs_sum, energy, count, zero_code, tone_bit, out);
    else if (s.lanes == kLowBins)
        rows_decide<kLowBins / 8>(s, r, abs_sum, energy, count, zero_code, tone_bit, out);
    else
        rows_decide<kSpectrumLanes / 8>(s, r, abs_sum, energy, count, zero_code, tone_bit, out);
}

}  // namespace sonde::ostrel
