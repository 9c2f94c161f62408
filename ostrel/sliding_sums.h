// Sliding sums over the detector's weighted span, and the one bound on
// their error that every fast decision leans on.
//
// A sum R(theta) = sum_{n<80} x[n] e^{-i theta n} over the 80 weighted
// samples (x[0] the oldest) moves on by one sample in O(1):
//   R <- e^{i theta} (R - x_old + x_new e^{-i theta 80}),
// and is summed again directly ("anchored") every so often, so that its
// rounding errors do not pile up. As the window is
//   Hann[n] = 1/2 - 1/4 e^{i phi n} - 1/4 e^{-i phi n},  phi = 2 pi / 79,
// the windowed bin at theta is 1/2 R(theta) - 1/4 R(theta - phi) - 1/4
// R(theta + phi): three plain sums per bin (the two-bin method, the
// spectrum); the window's energy takes sums of x^2 at phi and 2 phi.
//
// Sums are held in precision T (float or double, u = 2^-24 or 2^-53), one
// value type V per sum: T itself, or a vector of T whose lanes run
// independent stretches of samples through the very same arithmetic.
#pragma once

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

// Sums j in [first, last) directly over span[0..79].
template <class T, int N, class V>
inline void sums_anchor(const SlidingTurns<T, N>& c, const V* span, V* re, V* im, int first, int last) {
    for (int j = first; j < last; j++) re[j] = im[j] = V{};
    for (int n = 0; n < kHannLength; n++) {
        const V x = span[n];
        for (int j = first; j < last; j++) {
            re[j] += x * c.tw_re[n][j];
            im[j] += x * c.tw_im[n][j];
        }
    }
}

// One step of sum j: x_old leaves, x_new enters.
template <class T, int N, class V>
inline void sum_step(const SlidingTurns<T, N>& c, V* re, V* im, int j, V x_old, V x_new) {
    const V tr = re[j] + (x_new * c.in_re[j] - x_old);
    const V ti = im[j] + x_new * c.in_im[j];
    re[j] = c.step_re[j] * tr - c.step_im[j] * ti;
    im[j] = c.step_re[j] * ti + c.step_im[j] * tr;
}

// One step of sums j in [first, last).
template <class T, int N, class V>
inline void sums_step(const SlidingTurns<T, N>& c, V* re, V* im, V x_old, V x_new, int first, int last) {
    for (int j = first; j < last; j++) sum_step(c, re, im, j, x_old, x_new);
}

// The error bound. A is the sum of |x| over the 80 weighted samples (|x| <=
// 1/2), so every sum and windowed bin is at most A in magnitude; E bounds
// |R estimate - R| for every sum R at the exact angle.
// - The angles are formed in double: theta within 2.5e-15 of the exact
//   angle, theta n (n <= 80) within 3e-13. Each constant is that plus its
//   own rounding to T (under 1.5 u) away from the exact root.
// - An anchored sum is a direct sum of 80 products with such twiddles:
//   within (82 u + 3e-13) A of the exact sum.
// - A step rounds the entering term and its sum, rotates by the inexact
//   step and rounds the product: it adds under (6 u + 2.5e-15) (A + E) +
//   (16 u + 3.1e-13) s, s = |x_old| + |x_new|; the old error is rotated,
//   not enlarged.
// - Forming R0 - 1/2 (R- + R+) and its squared magnitude adds under
//   4 u (A + E) to the windowed magnitude.
// - The direct transforms (dft_k, dft, dft2) lie within 1e-10 A of the
//   exact windowed bins (the tests measure under 1e-11 A).
// So every estimated windowed magnitude lies within
//   d = E + 4 u (A + E) + 1e-10 A
// of the direct transform's. Each constant below is raised by 2^-18: the
// bound is then evaluated in T itself (or in double) and still stays above
// the exact recursion, as each operation on these non-negative terms loses
// at most 2^-24 of its value.
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

// d: the distance of the estimated windowed magnitudes from the direct
// transform's.
template <class T, class V>
inline V bound_distance(V e, V abs_sum) {
    return e * T((1.0 + SumBound<T>::formed) * SumBound<T>::raise) +
           abs_sum * T(SumBound<T>::formed + SumBound<T>::reference);
}

}  // namespace sonde::ostrel
