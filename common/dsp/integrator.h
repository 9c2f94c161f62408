// Integrate-and-dump at any fractional timing, O(1) per sample and per
// integral: a ring of running sums, the integral over [t0, t1) of the
// samples held as steps (sample n covers [n, n + 1)) being the difference of
// the running sum interpolated at both ends. A symbol's matched filter is one
// or two such integrals. Integer sums, in a 16-bit sample's steps, stay
// exact however long the stream runs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "receiver/soft_frame.h"

namespace sonde {

// Samples of history kept by vardo's constant ring: integrals may reach this far back.
constexpr int kIntegratorSpan = 1024;

// Samples at full scale +-1 in a 16-bit sample's steps (2^-15 of full
// scale), rounded to the nearest (ties to even): adding and taking away
// 1.5 * 2^23 drops a float's fraction bits, with no library call in the
// per-sample path. Exact for samples that came from 8- or 16-bit integers.
struct SixteenBitUnits {
    static constexpr double kFullScale = 32768.0;  // a sample of full scale 1
    static int32_t units(float x) {
        constexpr float kRound = 12582912.0f;
        const float v = x * static_cast<float>(kFullScale);
        return static_cast<int32_t>((v + kRound) - kRound);
    }
    // n samples at a time (n at most kStretch), limited to full scale first.
    static constexpr std::size_t kStretch = 256;
    static void units(const float* x, std::size_t n, int32_t* out) {
        float y[kStretch];
        full_scale_samples(x, n, y);
        for (std::size_t i = 0; i < n; i++) out[i] = units(y[i]);
    }
};

// Sum: double or int64_t (16-bit steps). N: the ring's size, or 0 for a
// ring sized by integrator_init.
template <typename Sum, std::size_t N>
struct BasicIntegrator {
    static_assert((N & (N - 1)) == 0, "a power of two");
    std::conditional_t<N == 0, std::vector<Sum>, std::array<Sum, N>> ring{};  // ring[n & mask]: samples 0 .. n - 1
    uint64_t mask = N - 1;
    Sum total = 0;
    uint64_t count = 0;  // samples pushed
};

using Integrator = BasicIntegrator<double, kIntegratorSpan>;
using IntegerSums = BasicIntegrator<int64_t, 0>;

// Room for `history` samples at least (a power of two, 1024 at least); the
// only allocation. The sums start again from 0.
template <typename Sum>
void integrator_init(BasicIntegrator<Sum, 0>& f, double history) {
    uint64_t size = kIntegratorSpan;
    while (static_cast<double>(size) < history) size <<= 1;
    f.ring.assign(size, 0);
    f.mask = size - 1;
    f.total = 0;
    f.count = 0;
}

// Samples pushed, as a time. Counts stay far below 2^63: the signed
// conversion is the same value, without the unsigned one's range test.
template <typename Sum, std::size_t N>
double integrator_end(const BasicIntegrator<Sum, N>& f) {
    return static_cast<double>(static_cast<int64_t>(f.count));
}

// The ring's index mask: a constant for a constant ring.
template <typename Sum, std::size_t N>
uint64_t integrator_mask(const BasicIntegrator<Sum, N>& f) {
    if constexpr (N == 0) return f.mask;
    return N - 1;
}

template <typename Sum, std::size_t N>
void integrator_push(BasicIntegrator<Sum, N>& f, float x) {
    if constexpr (std::is_integral_v<Sum>)
        f.total += SixteenBitUnits::units(x);
    else
        f.total += static_cast<Sum>(x);
    f.ring[++f.count & integrator_mask(f)] = f.total;
}

// Running sum at fractional time t (whole samples before t, plus the part of
// the sample that t lies in): 0 before the stream, the total after it.
// Between, t must lie within the ring's reach (its size less one samples back).
template <typename Sum, std::size_t N>
double integrator_at(const BasicIntegrator<Sum, N>& f, double t) {
    const uint64_t mask = integrator_mask(f);
    if (t <= 0.0) return 0.0;
    if (t >= integrator_end(f)) return static_cast<double>(f.ring[f.count & mask]);
    const auto i = static_cast<uint64_t>(static_cast<int64_t>(t));
    const double a = static_cast<double>(f.ring[i & mask]);
    const double b = static_cast<double>(f.ring[(i + 1) & mask]);
    return a + (t - static_cast<double>(static_cast<int64_t>(i))) * (b - a);
}

// Integral of the input over [t0, t1), in sample units.
template <typename Sum, std::size_t N>
double integrator_span(const BasicIntegrator<Sum, N>& f, double t0, double t1) {
    return integrator_at(f, t1) - integrator_at(f, t0);
}

}  // namespace sonde
