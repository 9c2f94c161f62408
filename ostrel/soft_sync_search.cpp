#include "ostrel/soft_sync_search.h"

#include <algorithm>
#include <cmath>

namespace sonde::ostrel {

void soft_sync_reset(SoftSyncSearch& s, double threshold, double clip) {
    s = SoftSyncSearch{};
    s.threshold = threshold;
    s.clip = clip;
    // A bit whose sign disagrees with the word adds at most 0, one that
    // agrees at most clip: with more than m disagreements the score is at
    // most clip * (len - m - 1), below the threshold for m as here (one
    // more for the rounding of the quotient).
    const double m = std::floor(kSyncPatternBits - 1 - s.threshold / s.clip) + 2;
    for (sonde::SoftSyncOf<double>& p : s.phase) {
        sonde::soft_sync_init(p, {kSyncPattern, kSyncPatternBits}, s.threshold);
        p.max_errors = m >= 0.0 && m < kSyncPatternBits ? static_cast<int>(m) : kSyncPatternBits;
    }
}

namespace {
// Score of the pattern in one phase's window, newest bit first.
double window_score(const SoftSyncSearch& s, const sonde::SoftSyncOf<double>& p) {
    const double* w = p.hist + p.pos;  // oldest first
    double score = 0.0;
    for (int j = kSyncPatternBits - 1; j >= 0; j--) score += std::clamp(p.word[j] * w[j], -s.clip, s.clip);
    return score;
}
}  // namespace

bool soft_sync_push(SoftSyncSearch& s, double llr, double t, double step, SyncPeak& peak) {
    sonde::SoftSyncOf<double>& p = s.phase[s.next];
    if (++s.next == kSyncPhases) s.next = 0;
    const bool near = sonde::soft_sync_take(p, llr);
    // Mostly noise: most points are too far from the word to reach the
    // threshold.
    if (!s.armed && !near) {
        s.last_known = false;
        return false;
    }
    const double score = window_score(s, p);
    if (!s.armed && score < s.threshold) {
        s.last = score;
        s.last_known = true;
        return false;
    }
    // The point before is the previous phase's, as the previous push left it.
    const double prev = s.last_known ? s.last : window_score(s, s.phase[(s.next + kSyncPhases - 2) % kSyncPhases]);
    s.last = score;
    s.last_known = true;
    if (s.armed && !(score > s.best)) {
        if (++s.since_best == 1) s.after = score;
        if (s.since_best < kSyncHoldBits * kSyncPhases) return false;
        // Refine the best point's time with a parabola through it and its
        // neighbours.
        s.armed = false;
        peak.time = s.best_time + sonde::parabola_peak_offset(s.before, s.best, s.after) * step;
        return true;
    }
    // A new best; the first above the threshold starts the tracking.
    s.armed = true;
    s.best = score;
    s.best_time = t;
    s.before = prev;
    s.since_best = 0;
    return false;
}

}  // namespace sonde::ostrel
