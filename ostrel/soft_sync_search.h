// Start of a frame found on soft values: twenty idle 1s and the group of
// the byte 0x01, correlated with the bit log-likelihood ratios read at
// kSyncPhases points per bit (no bit clock needed); the best point, refined
// between its neighbours, gives the clock its first phase. Each bit's share
// of the score is limited: one loud burst cannot make a start, a wrong bit
// or two costs a limited amount. Each phase goes through the shared soft
// sync window (dsp/soft_sync.h), which screens out hopeless points.
#pragma once

#include "dsp/soft_sync.h"

namespace sonde::ostrel {

constexpr int kSyncPhases = 4;
constexpr int kSyncPatternBits = 30;
constexpr int kSyncHoldBits = 10;
// Twenty 1s, then 0, 1000 0000, 1, oldest first.
constexpr char kSyncPattern[kSyncPatternBits + 1] = "111111111111111111110100000001";

constexpr double kSyncClip = 8.0;         // largest share of one bit
constexpr double kSyncThreshold = 170.0;  // a start needs at least this score

struct SoftSyncSearch {
    double clip = 0.0;  // as soft_sync_reset sets them
    double threshold = 0.0;
    sonde::SoftSyncOf<double> phase[kSyncPhases];  // point k's value goes to phase k % kSyncPhases
    int next = 0;                                  // phase of the next point
    // Peak tracking above the threshold.
    bool armed = false;
    double best = 0.0;
    double best_time = 0.0;
    double before = 0.0;  // score one point before the best
    double after = 0.0;   // and one after it
    int since_best = 0;   // points since the best
    double last = 0.0;    // score of the latest point
    // Off while no start is tracked and the latest point did not pass the
    // hard screen: `last` is then worked out again if needed.
    bool last_known = true;
};

struct SyncPeak {
    double time = 0.0;  // end of the pattern's last bit, in samples
};

// Empties the search and sets its threshold and clip, which the hard screen
// is worked out from.
void soft_sync_reset(SoftSyncSearch& s, double threshold = kSyncThreshold, double clip = kSyncClip);

// Takes the value read at time t (samples); step is the time between
// points. True when the best score above the threshold has stayed the best
// for kSyncHoldBits bits: the pattern shifted by up to nine bits scores
// high too (up to 27 of 30 bits agree), but less; its time is in peak, its
// score in s.best.
bool soft_sync_push(SoftSyncSearch& s, double llr, double t, double step, SyncPeak& peak);

}  // namespace sonde::ostrel
