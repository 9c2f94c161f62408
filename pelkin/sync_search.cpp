#include "pelkin/sync_search.h"

#include <cmath>

namespace sonde::pelkin {

namespace {
// A later sync word this much stronger within the frame wins.
constexpr double kOutshineMargin = 0.15;

uint64_t candidate_ready(const SyncSearch& s, const RobustCandidate& c) {
    return static_cast<uint64_t>(c.sync_end + (kFrameBits + 3) * s.sps) + 2;
}

void drop(SyncSearch& s, int at) {
    for (int i = at + 1; i < s.n_pending; i++) s.pending[i - 1] = s.pending[i];
    s.n_pending--;
    s.ready_at = s.n_pending > 0 ? candidate_ready(s, s.pending[0]) : UINT64_MAX;
}

bool outshone(const SyncSearch& s, const RobustCandidate& c) {
    const double span = (kFrameBits - kSyncBits) * s.sps;
    for (int i = 0; i < s.n_pending; i++) {
        const RobustCandidate& o = s.pending[i];
        if (o.sync_end - c.sync_end > span) break;
        if (std::fabs(o.corr) >= std::fabs(c.corr) + kOutshineMargin) return true;
    }
    return false;
}

}  // namespace

void add_candidate(SyncSearch& s, const RobustCandidate& c) {
    s.candidates_seen++;
    if (c.sync_end < s.busy_until) return;
    if (s.n_pending == kMaxCandidates) {
        // Full: the weakest one leaves, if weaker than the new one.
        int weakest = 0;
        for (int i = 1; i < s.n_pending; i++)
            if (std::fabs(s.pending[i].corr) < std::fabs(s.pending[weakest].corr)) weakest = i;
        if (std::fabs(s.pending[weakest].corr) >= std::fabs(c.corr)) return;
        drop(s, weakest);
    }
    s.pending[s.n_pending++] = c;
    s.ready_at = candidate_ready(s, s.pending[0]);
}

void sync_search_init(SyncSearch& s, double sps, double threshold) {
    s = SyncSearch{};
    s.sps = sps;
    s.threshold = threshold;
    s.next_strobe = sps;
    s.strobe_ready = static_cast<uint64_t>(s.next_strobe) + 1;
}

bool next_candidate(SyncSearch& s, const RunningSums& sums, RobustCandidate& c) {
    while (s.n_pending > 0 && sums.count >= s.ready_at) {
        c = s.pending[0];
        drop(s, 0);
        if (c.sync_end < s.busy_until || outshone(s, c)) continue;
        return true;
    }
    return false;
}

}  // namespace sonde::pelkin
