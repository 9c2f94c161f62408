#include "normal_source.h"

#include <cmath>

namespace rxchain {

NormalSource normal_seeded(uint64_t seed) {
    NormalSource g{};
    // splitmix64 spreads the seed over the whole state.
    uint64_t x = seed;
    for (uint64_t& w : g.s) {
        x += 0x9E3779B97F4A7C15ull;
        uint64_t z = x;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        w = z ^ (z >> 31);
    }
    // Marsaglia and Tsang's 128-layer tables: r is the start of the tail,
    // v the area of each layer.
    const double m1 = 2147483648.0;
    const double r = 3.442619855899;
    const double v = 9.91256303526217e-3;
    double dn = r, tn = r;
    const double q = v / std::exp(-0.5 * dn * dn);
    g.kn[0] = static_cast<uint32_t>((dn / q) * m1);
    g.kn[1] = 0;
    g.wn[0] = q / m1;
    g.wn[127] = dn / m1;
    g.fn[0] = 1.0;
    g.fn[127] = std::exp(-0.5 * dn * dn);
    for (int i = 126; i >= 1; i--) {
        dn = std::sqrt(-2.0 * std::log(v / dn + std::exp(-0.5 * dn * dn)));
        g.kn[i + 1] = static_cast<uint32_t>((dn / tn) * m1);
        tn = dn;
        g.fn[i] = std::exp(-0.5 * dn * dn);
        g.wn[i] = dn / m1;
    }
    return g;
}

double normal_tail(NormalSource& g, int32_t hz, int iz) {
    const double r = 3.442619855899;
    const double x = hz * g.wn[iz];
    if (iz == 0) {
        // Beyond the last layer: Marsaglia's exponential method for the tail.
        double t, y;
        do {
            t = -std::log(normal_uniform(g)) / r;
            y = -std::log(normal_uniform(g));
        } while (y + y < t * t);
        return hz > 0 ? r + t : -r - t;
    }
    if (g.fn[iz] + normal_uniform(g) * (g.fn[iz - 1] - g.fn[iz]) < std::exp(-0.5 * x * x)) return x;
    return normal_next(g);  // rejected: a fresh draw
}

}  // namespace rxchain
