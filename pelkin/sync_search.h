// pelkin's sync search. Four strobes per bit correlate the last 20 bit
// integrals with the sync word. The word holds as many ones as zeros, so
// the correlation ignores the DC level; normalised by the spread of the 20
// integrals it ignores the amplitude, and its sign gives the polarity. The
// strongest strobe of a crossing of the threshold is a candidate, which
// waits in a queue until its frame's samples are in.
#pragma once

#include <cstdint>

#include "pelkin/frame_bytes.h"
#include "pelkin/running_sums.h"

namespace sonde::pelkin {

constexpr int kSyncBits = 20;
constexpr int kStrobesPerBit = 4;
constexpr int kMaxCandidates = 16;
// The sync word, +1 for a one: two groups of 0xAA.
constexpr int kSyncPattern[kSyncBits] = {-1, -1, 1, -1, 1, -1, 1, -1, 1, 1, -1, -1, 1, -1, 1, -1, 1, -1, 1, 1};

struct RobustCandidate {
    double sync_end;  // time (in samples) where the sync word's last bit ends
    double corr;      // normalised correlation at that strobe
};

struct SyncSearch {
    double sps = 10.0;       // samples per bit
    double threshold = 0.7;  // |normalised correlation| that starts a candidate
    // Strobes: integrals over the bit ending at each, kept per phase.
    double next_strobe = 0.0;               // time of the next strobe
    uint64_t strobe_ready = 0;              // samples needed before it can be taken
    uint64_t strobe_count = 0;              // strobe j is phase j % 4 of bit j / 4
    int64_t hist[kStrobesPerBit][32] = {};  // integrals (units: 1/4 sample), ring per phase
    int64_t s1[kStrobesPerBit] = {};        // sum of the last 20
    int64_t s2[kStrobesPerBit] = {};        // sum of squares of the last 20
    int64_t alt[kStrobesPerBit] = {};       // sum of (-1)^k times the k-th

    // Peak search after a threshold crossing.
    bool in_peak = false;
    uint64_t peak_until = 0;  // last strobe of the search window
    RobustCandidate peak{};

    // Candidates waiting for their frame's samples, oldest first.
    RobustCandidate pending[kMaxCandidates];
    int n_pending = 0;
    uint64_t ready_at = UINT64_MAX;  // samples the oldest one needs
    double busy_until = 0.0;         // end of the last frame delivered

    uint64_t candidates_seen = 0;  // sync candidates so far (false starts included)
};

void sync_search_init(SyncSearch& s, double sps, double threshold);

// Takes the next strobe; its samples are in once sums.n >= s.strobe_ready.
void take_strobe(SyncSearch& s, const RunningSums& sums);

// The oldest candidate whose frame's samples are in (s.ready_at), unless it
// lies inside a frame already read (s.busy_until) or a clearly stronger sync
// word follows inside its frame: then it is noise that happened to line up
// with the groups after it. False when no candidate is ready.
bool next_candidate(SyncSearch& s, const RunningSums& sums, RobustCandidate& c);

}  // namespace sonde::pelkin
