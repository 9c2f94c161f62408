#include "ostrel/soft_sync_search.h"

#include <algorithm>
#include <iterator>

#include "dsp/soft_sync.h"

namespace sonde::ostrel {

void soft_sync_reset(SoftSyncSearch& s) {
    std::fill(std::begin(s.llr), std::end(s.llr), 0.0);
    s.pos = 0;
    s.armed = false;
    s.best = s.before = s.after = s.last = 0.0;
    s.since_best = 0;
}

double soft_sync_score(const SoftSyncSearch& s) {
    constexpr int kLen = kSyncPatternBits * kSyncPhases;
    double score = 0.0;
    int i = s.pos - 1;  // newest
    if (i < 0) i += kLen;
    for (int j = kSyncPatternBits - 1; j >= 0; j--) {
        const double v = kSyncPatternBitsValues[j] ? s.llr[i] : -s.llr[i];
        score += std::clamp(v, -s.clip, s.clip);
        i -= kSyncPhases;
        if (i < 0) i += kLen;
    }
    return score;
}

bool soft_sync_push(SoftSyncSearch& s, double llr, double t, double step, SyncPeak& peak) {
    constexpr int kLen = kSyncPatternBits * kSyncPhases;
    s.llr[s.pos] = llr;
    if (++s.pos == kLen) s.pos = 0;
    const double score = soft_sync_score(s);
    const double prev = s.last;
    s.last = score;
    if (s.armed) {
        if (score > s.best) {
            s.best = score;
            s.best_time = t;
            s.before = prev;
            s.since_best = 0;
            return false;
        }
        if (++s.since_best == 1) s.after = score;
        if (s.since_best < kSyncHoldBits * kSyncPhases) return false;
        // Refine the best point's time with a parabola through it and its
        // neighbours.
        s.armed = false;
        peak.time = s.best_time + sonde::parabola_peak_offset(s.before, s.best, s.after) * step;
        peak.score = s.best;
        return true;
    }
    if (score >= s.threshold) {
        s.armed = true;
        s.best = score;
        s.best_time = t;
        s.before = prev;
        s.since_best = 0;
    }
    return false;
}

}  // namespace sonde::ostrel
