#include "ostrel/soft_sync_search.h"

#include <algorithm>
#include <iterator>
#include <limits>

#include "dsp/soft_sync.h"

namespace sonde::ostrel {

void soft_sync_reset(SoftSyncSearch& s) {
    std::fill(std::begin(s.llr), std::end(s.llr), 0.0);
    s.pos = 0;
    s.armed = false;
    s.best = s.before = s.after = s.last = 0.0;
    s.since_best = 0;
    s.last_known = true;
}

namespace {
constexpr int kLen = kSyncPatternBits * kSyncPhases;
// Below this the bound of a score is surely below the score itself: the
// rounding of 30 sums near 200 is some 1e-13.
constexpr double kBoundMargin = 1e-6;

// Score of the pattern whose last bit is `back` points before the newest.
// Stops, returning false, once even the bits still to come at their limit
// could not bring it to `floor`: additions of numbers no larger give a sum
// no larger.
bool score_of(const SoftSyncSearch& s, int back, double floor, double& score) {
    score = 0.0;
    int i = s.pos - 1 - back;
    if (i < 0) i += kLen;
    for (int j = kSyncPatternBits - 1; j >= 0; j--) {
        const double v = kSyncPatternBitsValues[j] ? s.llr[i] : -s.llr[i];
        score += std::clamp(v, -s.clip, s.clip);
        if (score + j * s.clip < floor - kBoundMargin) return false;
        i -= kSyncPhases;
        if (i < 0) i += kLen;
    }
    return true;
}

double full_score(const SoftSyncSearch& s, int back) {
    double score = 0.0;
    score_of(s, back, -std::numeric_limits<double>::infinity(), score);
    return score;
}
}  // namespace

double soft_sync_score(const SoftSyncSearch& s) { return full_score(s, 0); }

bool soft_sync_push(SoftSyncSearch& s, double llr, double t, double step, SyncPeak& peak) {
    s.llr[s.pos] = llr;
    if (++s.pos == kLen) s.pos = 0;
    double score = 0.0;
    if (s.armed) {
        score = soft_sync_score(s);
    } else {
        // Mostly noise: most scores are known to miss the threshold after a
        // few bits.
        const bool whole = score_of(s, 0, s.threshold, score);
        if (!whole || score < s.threshold) {
            s.last = score;
            s.last_known = whole;
            return false;
        }
    }
    // The point before is the same in the ring, the newest value aside.
    const double prev = s.last_known ? s.last : full_score(s, 1);
    s.last = score;
    s.last_known = true;
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
