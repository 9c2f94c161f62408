#include "soft_correction.h"

#include <bit>

namespace sonde {

namespace {

// Inserts c into the sorted list a[0 .. n-1] (cheapest first; at equal cost
// fewer units first, then lower indices; or, when not by_units, the earlier
// entered first), keeping at most cap entries.
int insert_sorted(CorrectionCandidate* a, int n, int cap, const CorrectionCandidate& c, bool by_units) {
    auto before = [by_units](const CorrectionCandidate& x, const CorrectionCandidate& y) {
        if (x.cost != y.cost || !by_units) return x.cost < y.cost;
        if (x.count != y.count) return x.count < y.count;
        for (int i = 0; i < kMaxCorrectionUnits; i++)
            if (x.units[i] != y.units[i]) return x.units[i] < y.units[i];
        return false;
    };
    int i = n < cap ? n : cap - 1;
    if (n >= cap && !before(c, a[cap - 1])) return n;
    while (i > 0 && before(c, a[i - 1])) {
        a[i] = a[i - 1];
        i--;
    }
    a[i] = c;
    return n < cap ? n + 1 : cap;
}

// Indices of the (at most cap > 0) least reliable of the n units, least
// reliable first (at equal reliability the lower index); returns how many.
int least_reliable_units(const float* reliability, int n, int cap, int* pool) {
    int np = 0;
    for (int u = 0; u < n; u++) {
        const float r = reliability[u];
        if (np == cap && !(r < reliability[pool[np - 1]])) continue;
        int i = np < cap ? np++ : np - 1;
        while (i > 0 && r < reliability[pool[i - 1]]) {
            pool[i] = pool[i - 1];
            i--;
        }
        pool[i] = u;
    }
    return np;
}

}  // namespace

int correction_candidates(const float* reliability, int n, int max_candidates, CorrectionCandidate* out,
                          const CorrectionSearch& how) {
    int cap = max_candidates < kMaxCorrectionCandidates ? max_candidates : kMaxCorrectionCandidates;
    if (cap <= 0 || n <= 0) return 0;
    int pool[kCorrectionPool];
    const int np = least_reliable_units(reliability, n, kCorrectionPool, pool);
    int count = 0;
    // The pattern of the pool ranks set in mask, its cost summed in rank order.
    auto add = [&](uint32_t mask) {
        if (how.parity >= 0 && (std::popcount(mask) & 1) != how.parity) return;
        CorrectionCandidate c;
        for (uint32_t m = mask; m != 0; m &= m - 1) c.cost += reliability[pool[std::countr_zero(m)]] - how.flip_bonus;
        if (count == cap && c.cost > out[cap - 1].cost) return;  // beyond the list however ties go
        for (uint32_t m = mask; m != 0; m &= m - 1) {
            const int u = pool[std::countr_zero(m)];
            int i = c.count++;  // units in increasing order
            for (; i > 0 && c.units[i - 1] > u; i--) c.units[i] = c.units[i - 1];
            c.units[i] = u;
        }
        count = insert_sorted(out, count, cap, c, how.ties_by_units);
    };
    const int deep = how.deep_units < np ? how.deep_units : np;
    for (uint32_t mask = 1; mask < (1u << deep); mask++)
        if (std::popcount(mask) <= how.deep_max) add(mask);
    for (int i = deep; i < np; i++) {
        add(1u << i);
        for (int j = 0; j < i; j++) add(1u << j | 1u << i);
    }
    return count;
}

}  // namespace sonde
