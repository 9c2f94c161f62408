// pelkin's matched filter: the integral of the audio over any stretch, at
// fractional times, from a ring of running sums. Samples are taken in units
// of a 16-bit sample's step (2^-15 of full scale), rounded, so the sums stay
// exact integers however long the stream runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "receiver/soft_frame.h"

namespace sonde::pelkin {

// A sample of full scale 1 in the units of the sums.
constexpr double kSumsFullScale = 32768.0;

struct RunningSums {
    std::vector<int64_t> csum;  // csum[n & mask] = sum of samples 0 .. n-1
    uint64_t mask = 0;
    uint64_t n = 0;  // samples taken
    int64_t total = 0;
    uint64_t low_bits = 0;  // OR of all samples: their common power-of-two step
};

// Room for `history` samples at least; the only allocation.
inline void running_sums_init(RunningSums& s, double history) {
    uint64_t size = 1024;
    while (static_cast<double>(size) < history) size <<= 1;
    s.csum.assign(size, 0);
    s.mask = size - 1;
    s.n = 0;
    s.total = 0;
    s.low_bits = 0;
}

// A sample at full scale +-1 in the units of the sums, rounded to the
// nearest (ties to even): adding and taking away 1.5 * 2^23 drops a float's
// fraction bits, with no library call in the per-sample path. Exact for
// samples that came from 8- or 16-bit integers.
inline int32_t sums_units(float x) {
    constexpr float kRound = 12582912.0f;
    const float v = x * static_cast<float>(kSumsFullScale);
    return static_cast<int32_t>((v + kRound) - kRound);
}

// n samples (full scale +-1) in the units of the sums, several at a time.
// n is at most kSumsStretch.
constexpr std::size_t kSumsStretch = 256;
inline void sums_units(const float* x, std::size_t n, int32_t* units) {
    float y[kSumsStretch];
    sonde::full_scale_samples(x, n, y);
    for (std::size_t i = 0; i < n; i++) units[i] = sums_units(y[i]);
}

// Sample i, for n - history <= i < n.
inline int64_t sums_sample(const RunningSums& s, uint64_t i) { return s.csum[(i + 1) & s.mask] - s.csum[i & s.mask]; }

// Running sum at time t (samples), linear between whole samples: the
// integral of the piecewise constant audio from 0 to t.
inline double running_sum(const RunningSums& s, double t) {
    if (t <= 0.0) return 0.0;
    // Times and counts stay far below 2^63: the signed conversions are the
    // same values, without the unsigned ones' range tests.
    const double top = static_cast<double>(static_cast<int64_t>(s.n));
    if (t >= top) return static_cast<double>(s.csum[s.n & s.mask]);
    const auto i = static_cast<uint64_t>(static_cast<int64_t>(t));
    const double f = t - static_cast<double>(static_cast<int64_t>(i));
    const double c0 = static_cast<double>(s.csum[i & s.mask]);
    const double c1 = static_cast<double>(s.csum[(i + 1) & s.mask]);
    return c0 + f * (c1 - c0);
}

// Integral of the audio over [t0, t1] (sample units).
inline double sums_integral(const RunningSums& s, double t0, double t1) {
    return running_sum(s, t1) - running_sum(s, t0);
}

}  // namespace sonde::pelkin
