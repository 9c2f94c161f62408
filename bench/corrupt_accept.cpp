// How often a frame of a known type, damaged beyond correction, comes out of
// sonderx's frame path marked good: per kind and kind of damage (see
// corrupt/corrupt_frames.h for the signal model). Deterministic per seed.
// usage: corrupt_accept [--frames N] [--seed S] [--kind vardo|pelkin|pelkin-deemph|ostrel]
//        corrupt_accept --weight4 N   (share of N random four-unit patterns that pass each check)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "corrupt/corrupt_frames.h"
#include "ostrel/gps_repair.h"
#include "pelkin/robust_correction.h"
#include "vardo/robust_frame.h"

using namespace corrupt;

namespace {

// Each kind under every damage: wrong bits a few, several and many beyond
// what the correction mends, a fade, noise near and beyond the threshold,
// and a body of noise alone.
const Case kDamages[] = {
    {Kind::vardo, Damage::errors, 3}, {Kind::vardo, Damage::errors, 6}, {Kind::vardo, Damage::errors, 12},
    {Kind::vardo, Damage::burst, 32}, {Kind::vardo, Damage::awgn, 0.4}, {Kind::vardo, Damage::awgn, 0.6},
    {Kind::vardo, Damage::noise, 0},
};

// Share of n random patterns of four distinct units (per-unit syndromes
// syn[0..m-1]) whose syndromes cancel: a frame with three wrong units and a
// one-unit candidate passes that often. A random 16-bit check: 1 in 65536,
// 1 in 32768 where the polynomial has the factor x + 1.
template <class T>
double weight4_share(const T* syn, int m, long n) {
    uint64_t x = 12345;
    auto below = [&x, m] {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        return static_cast<int>(x % static_cast<uint64_t>(m));
    };
    long hits = 0, tries = 0;
    while (tries < n) {
        const int a = below(), b = below(), c = below(), d = below();
        if (a == b || a == c || a == d || b == c || b == d || c == d) continue;
        tries++;
        if ((syn[a] ^ syn[b] ^ syn[c] ^ syn[d]) == 0) hits++;
    }
    return static_cast<double>(hits) / static_cast<double>(n);
}

void print_weight4(long n) {
    auto v = std::make_unique<sonde::vardo::RobustSyndromes>();
    sonde::vardo::robust_syndromes_init(*v);
    uint32_t unit[sonde::vardo::kRobustMaxSymbols];
    for (int t = 0; t < sonde::vardo::kRobustTypeCount; t++) {
        // A symbol flips two neighbouring data bits.
        const int len = 8 * sonde::vardo::kRobustTypes[t].len, m = len - sonde::vardo::kRobustTypeSymbols;
        for (int u = 0; u < m; u++) {
            const int j = u + sonde::vardo::kRobustTypeSymbols;
            unit[u] = v->bit[t][j] ^ (j + 1 < len ? v->bit[t][j + 1] : 0u);
        }
        std::printf("vardo type %d: %.3g (random 16-bit check %.3g)\n", t, weight4_share(unit, m, n), 1.0 / 65536);
    }
    auto p = std::make_unique<sonde::pelkin::CrcSyndromes>();
    sonde::pelkin::crc_syndromes_init(*p);
    std::printf("pelkin: %.3g (random with x + 1 %.3g)\n", weight4_share(p->bit, sonde::pelkin::kCheckedBytes * 8, n),
                1.0 / 32768);
    auto o = std::make_unique<sonde::ostrel::GpsRepairTable>();
    sonde::ostrel::gps_repair_table_init(*o);
    std::printf("ostrel: %.3g (random 16-bit check %.3g)\n",
                weight4_share(o->syndrome, sonde::ostrel::kRepairDataBits, n), 1.0 / 65536);
}

void usage() {
    std::fprintf(stderr, "usage: corrupt_accept [--frames N] [--seed S] [--kind vardo|pelkin|pelkin-deemph|ostrel]\n");
}

}  // namespace

int main(int argc, char** argv) {
    long frames = 200000;
    uint64_t seed = 1;
    const char* only = nullptr;
    for (int i = 1; i < argc; i++) {
        const bool has = i + 1 < argc;
        if (std::strcmp(argv[i], "--frames") == 0 && has) {
            frames = std::atol(argv[++i]);
        } else if (std::strcmp(argv[i], "--seed") == 0 && has) {
            seed = std::strtoull(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--weight4") == 0 && has) {
            print_weight4(std::atol(argv[++i]));
            return 0;
        } else if (std::strcmp(argv[i], "--kind") == 0 && has) {
            only = argv[++i];
        } else {
            usage();
            return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
        }
    }
    LayersPtr layers = layers_make();
    std::printf("%-14s %-7s %6s %9s %9s %9s %8s %6s %6s %8s %9s %9s\n", "kind", "damage", "amount", "sent", "restored",
                "beyond", "check ok", "jump", "fix", "accepted", "per 1000", "95% upper");
    for (int k = 0; k < kKinds; k++) {
        const Kind kind = static_cast<Kind>(k);
        if (only && std::strcmp(only, kind_name(kind)) != 0) continue;
        for (Case c : kDamages) {
            c.kind = kind;
            Tally t;
            run_case(*layers, c, frames, seed, t);
            const double n = t.beyond > 0 ? static_cast<double>(t.beyond) : 1.0;
            std::printf("%-14s %-7s %6g %9ld %9ld %9ld %8ld %6ld %6ld %8ld %9.4f %9.4f\n", kind_name(kind),
                        damage_name(c.damage), c.amount, t.sent, t.restored, t.beyond, t.check_passed, t.position_jump,
                        t.impossible_fix, t.accepted, 1000.0 * static_cast<double>(t.accepted) / n,
                        1000.0 * upper_bound_95(t.accepted, t.beyond));
            if (t.clean_not_good > 0) std::printf("  (%ld intact frames not reported good)\n", t.clean_not_good);
            std::fflush(stdout);
        }
    }
    return 0;
}
