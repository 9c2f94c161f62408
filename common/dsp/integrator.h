// Integrate-and-dump at any fractional timing, O(1) per sample and per
// integral. The filter keeps a ring of running sums; the integral over
// [t0, t1) of the samples held as steps (sample n covers [n, n + 1)) is the
// difference of the running sum interpolated linearly at both ends. A symbol
// matched filter is then one or two such integrals: the whole symbol for NRZ,
// first half minus second half for biphase, products with a tone for AFSK
// (push the products).
//
// Two ways to hold the sums: as doubles of the samples themselves, or as
// 64-bit integers of the samples rounded to a 16-bit sample's step, which
// stay exact however long the stream runs. The ring is a constant 1024
// entries (its index a constant mask) or sized at init for a longer history.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "receiver/soft_frame.h"

namespace sonde {

// Samples of history kept by the constant ring: integrals may reach this far back.
constexpr int kIntegratorSpan = 1024;

// The samples as they are, summed in doubles.
struct RealUnits {
    using Sum = double;
    static double units(float x) { return static_cast<double>(x); }
};

// Samples at full scale +-1 in units of a 16-bit sample's step (2^-15 of
// full scale), rounded to the nearest (ties to even): adding and taking away
// 1.5 * 2^23 drops a float's fraction bits, with no library call in the
// per-sample path. Exact for samples that came from 8- or 16-bit integers.
struct SixteenBitUnits {
    using Sum = int64_t;
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

template <typename T, std::size_t N>
struct ConstantRing {
    static_assert((N & (N - 1)) == 0, "a power of two");
    static constexpr uint64_t mask = N - 1;
    T slot[N] = {};
};

template <typename T>
struct SizedRing {
    std::vector<T> slot;
    uint64_t mask = 0;
};

template <typename Units, typename Ring>
struct BasicIntegrator {
    using Sum = typename Units::Sum;
    Ring ring;  // ring.slot[n & mask]: sum of samples 0 .. n - 1
    Sum total = 0;
    uint64_t count = 0;  // samples pushed
};

using Integrator = BasicIntegrator<RealUnits, ConstantRing<double, kIntegratorSpan>>;
using IntegerSums = BasicIntegrator<SixteenBitUnits, SizedRing<int64_t>>;

// A sized ring with room for `history` samples at least (1024 at least, a
// power of two); the only allocation. The sums start again from 0.
template <typename Units, typename T>
void integrator_init(BasicIntegrator<Units, SizedRing<T>>& f, double history) {
    uint64_t size = kIntegratorSpan;
    while (static_cast<double>(size) < history) size <<= 1;
    f.ring.slot.assign(size, 0);
    f.ring.mask = size - 1;
    f.total = 0;
    f.count = 0;
}

// Samples pushed, as a time. Counts stay far below 2^63: the signed
// conversion is the same value, without the unsigned one's range test.
template <typename Units, typename Ring>
double integrator_end(const BasicIntegrator<Units, Ring>& f) {
    return static_cast<double>(static_cast<int64_t>(f.count));
}

template <typename Units, typename Ring>
void integrator_push(BasicIntegrator<Units, Ring>& f, float x) {
    f.total += Units::units(x);
    f.ring.slot[++f.count & f.ring.mask] = f.total;
}

// Sum of samples 0 .. i - 1, for count - ring size < i <= count.
template <typename Units, typename Ring>
typename Units::Sum integrator_sum_to(const BasicIntegrator<Units, Ring>& f, uint64_t i) {
    return f.ring.slot[i & f.ring.mask];
}

// True when the stretch [t0, t1) can be integrated now.
template <typename Units, typename Ring>
bool integrator_covers(const BasicIntegrator<Units, Ring>& f, double t0, double t1) {
    const auto n = static_cast<int64_t>(f.count);
    return t0 >= static_cast<double>(n - static_cast<int64_t>(f.ring.mask) + 1) && t1 + 1.0 <= static_cast<double>(n);
}

// Running sum at fractional time t (whole samples before t, plus the part of
// the sample that t lies in): 0 before the stream, the total after it.
// Between, t must be within the ring's reach (integrator_covers).
template <typename Units, typename Ring>
double integrator_at(const BasicIntegrator<Units, Ring>& f, double t) {
    if (t <= 0.0) return 0.0;
    if (t >= integrator_end(f)) return static_cast<double>(integrator_sum_to(f, f.count));
    const auto i = static_cast<uint64_t>(static_cast<int64_t>(t));
    const double a = static_cast<double>(integrator_sum_to(f, i));
    const double b = static_cast<double>(integrator_sum_to(f, i + 1));
    return a + (t - static_cast<double>(static_cast<int64_t>(i))) * (b - a);
}

// Integral of the input over [t0, t1), in sample units.
template <typename Units, typename Ring>
double integrator_span(const BasicIntegrator<Units, Ring>& f, double t0, double t1) {
    return integrator_at(f, t1) - integrator_at(f, t0);
}

}  // namespace sonde
