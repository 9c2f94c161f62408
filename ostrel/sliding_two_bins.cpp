#include "ostrel/sliding_two_bins.h"

namespace sonde::ostrel {

namespace {

constexpr double kTwoPi = 6.283185307179586;

template <class V>
inline V abs_of(V x) {
    return x < 0.0f ? -x : x;
}

template <class V>
inline void lane_anchor(const SlidingTurns<float, kTwoBinSums>& c, TwoBinLane<V>& l, const V* span) {
    sums_anchor(c, span, l.re, l.im, 0, kTwoBinSums);
    V a{};
    for (int n = 0; n < kHannLength; n++) a += abs_of(span[n]);
    l.abs_sum = a;
    l.sum_error = bound_anchored<float>(a);
}

template <class V>
inline void lane_step(const SlidingTurns<float, kTwoBinSums>& c, TwoBinLane<V>& l, V x_old, V x_new) {
    sums_step(c, l.re, l.im, x_old, x_new, 0, kTwoBinSums);
    const V ao = abs_of(x_old);
    const V an = abs_of(x_new);
    l.abs_sum += an - ao;
    l.sum_error = bound_after_step<float>(l.sum_error, l.abs_sum, ao + an);
}

// |2 S|^2 of bin b, 2 S = R0 - 1/2 (R- + R+) (exact scalings by powers of
// two change no rounding).
template <class V>
inline V twice_bin_power(const TwoBinLane<V>& l, int b) {
    const int j = 3 * b;
    const V r = l.re[j] - 0.5f * (l.re[j + 1] + l.re[j + 2]);
    const V m = l.im[j] - 0.5f * (l.im[j + 1] + l.im[j + 2]);
    return r * r + m * m;
}

// 0 or 1 where the estimates settle the comparison of the magnitudes m0,
// m1 of dft_k, -1 where too close to call. Each estimate lies within d of
// dft_k's, and m0 + m1 <= 2 (A + d): a difference of |2 S|^2 above
// 16 d (A + d) means m0 - m1 > 2 d. The factor 16.04 covers this
// arithmetic's own rounding in float. All weighted samples zero (A = 0):
// both bins are zero and dft_k's equal magnitudes give 1.
template <class V>
inline V lane_decision(const TwoBinLane<V>& l) {
    const V d = bound_distance<float>(l.sum_error, l.abs_sum);
    const V margin = 16.04f * d * (l.abs_sum + d);
    const V diff = twice_bin_power(l, 0) - twice_bin_power(l, 1);
    const V fast = diff > margin ? 0.0f : diff < -margin ? 1.0f : -1.0f;
    return l.abs_sum == 0.0f ? 1.0f : fast;
}

typedef float NarrowLanes __attribute__((vector_size(kTwoBinLanes * sizeof(float))));
typedef float WideLanes __attribute__((vector_size(kTwoBinWideLanes * sizeof(float))));

// `segments` (1..Lanes) whole segments from x[0] on (x[0] the first
// sample's x_old), lane l taking segment l; spare lanes repeat the last
// segment and are not written out.
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
    TwoBinLane<LaneFloats> g;
    lane_anchor(c, g, at + 1);
    for (int m = 0;;) {
        const LaneFloats v = lane_decision(g);
        for (int l = 0; l < segments; l++) decision[l * kTwoBinSegment + m] = static_cast<int8_t>(v[l]);
        if (++m == kTwoBinSegment) break;
        lane_step(c, g, at[m], at[m + kHannLength]);
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
    for (int b = 0; b < 2; b++) {
        const double t = kTwoPi * bins[b] / 128.0;
        theta[3 * b] = t;
        theta[3 * b + 1] = t - kHannPhi;
        theta[3 * b + 2] = t + kHannPhi;
    }
    turns_init(s.turns, theta, sincos);
    s.same_bins = idx_2200 == idx_1200;
    s.lane = TwoBinLane<float>{};
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
            lane_step(s.turns, s.lane, x[i], x[i + kHannLength]);
        decision[i] = static_cast<int8_t>(lane_decision(s.lane));
        i++;
    }
    if (s.same_bins)
        for (int j = 0; j < count; j++) decision[j] = 1;
}

}  // namespace sonde::ostrel
