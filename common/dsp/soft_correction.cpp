#include "soft_correction.h"

namespace sonde {

namespace {

// Inserts c into the sorted list a[0 .. n-1] (cheapest first; at equal cost
// fewer units first, then lower indices), keeping at most cap entries.
int insert_sorted(CorrectionCandidate* a, int n, int cap, const CorrectionCandidate& c) {
    auto before = [](const CorrectionCandidate& x, const CorrectionCandidate& y) {
        if (x.cost != y.cost) return x.cost < y.cost;
        if (x.count != y.count) return x.count < y.count;
        if (x.units[0] != y.units[0]) return x.units[0] < y.units[0];
        return x.units[1] < y.units[1];
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

}  // namespace

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

int correction_candidates(const float* reliability, int n, int max_candidates, CorrectionCandidate* out) {
    int cap = max_candidates < kMaxCorrectionCandidates ? max_candidates : kMaxCorrectionCandidates;
    if (cap <= 0 || n <= 0) return 0;
    int pool[kCorrectionPool];
    const int np = least_reliable_units(reliability, n, kCorrectionPool, pool);
    int count = 0;
    for (int i = 0; i < np; i++) {
        CorrectionCandidate c;
        c.units[0] = pool[i];
        c.count = 1;
        c.cost = reliability[pool[i]];
        count = insert_sorted(out, count, cap, c);
    }
    for (int i = 0; i < np; i++) {
        for (int j = i + 1; j < np; j++) {
            CorrectionCandidate c;
            c.units[0] = pool[i] < pool[j] ? pool[i] : pool[j];
            c.units[1] = pool[i] < pool[j] ? pool[j] : pool[i];
            c.count = 2;
            c.cost = reliability[pool[i]] + reliability[pool[j]];
            count = insert_sorted(out, count, cap, c);
        }
    }
    return count;
}

}  // namespace sonde
