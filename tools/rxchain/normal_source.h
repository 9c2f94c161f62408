// Fast Gaussian noise for the receiver-chain simulator: a ziggurat (128
// layers) on a 64-bit xoshiro256** generator. Two normals per channel sample
// at 96 kHz and more make Box-Muller's log and sincos the slowest part of
// the chain; the ziggurat needs one table look-up and one compare for about
// 99 % of its values. Seeded, so every run is the same on every machine.
#pragma once

#include <cstdint>

namespace rxchain {

struct NormalSource {
    uint64_t s[4];
    // Layer edges, scaled for a 32-bit signed draw, and the density at them.
    uint32_t kn[128];
    double wn[128];
    double fn[128];
};

NormalSource normal_seeded(uint64_t seed);

inline uint64_t normal_next_u64(NormalSource& g) {
    auto rotl = [](uint64_t x, int k) { return (x << k) | (x >> (64 - k)); };
    const uint64_t result = rotl(g.s[1] * 5, 7) * 9;
    const uint64_t t = g.s[1] << 17;
    g.s[2] ^= g.s[0];
    g.s[3] ^= g.s[1];
    g.s[1] ^= g.s[2];
    g.s[0] ^= g.s[3];
    g.s[2] ^= t;
    g.s[3] = rotl(g.s[3], 45);
    return result;
}

// Uniform in (0, 1).
inline double normal_uniform(NormalSource& g) {
    return (static_cast<double>(normal_next_u64(g) >> 11) + 0.5) * (1.0 / 9007199254740992.0);
}

double normal_tail(NormalSource& g, int32_t hz, int iz);

// One standard normal value.
inline double normal_next(NormalSource& g) {
    const uint64_t r = normal_next_u64(g);
    const int32_t hz = static_cast<int32_t>(r >> 32);
    const int iz = static_cast<int>(r & 127);  // layer from bits the value does not use
    const uint32_t mag = hz < 0 ? 0u - static_cast<uint32_t>(hz) : static_cast<uint32_t>(hz);
    if (mag < g.kn[iz]) return hz * g.wn[iz];
    return normal_tail(g, hz, iz);
}

}  // namespace rxchain
