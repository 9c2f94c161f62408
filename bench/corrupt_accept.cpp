// How often a frame of a known type, damaged beyond correction, comes out of
// sonderx's frame path marked good: per kind and kind of damage (see
// corrupt/corrupt_frames.h for the signal model). Deterministic per seed.
// usage: corrupt_accept [--frames N] [--seed S] [--kind vardo|pelkin|pelkin-deemph|ostrel]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "corrupt/corrupt_frames.h"

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
