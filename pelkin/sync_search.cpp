#include "pelkin/sync_search.h"

#include <bit>
#include <cmath>

namespace sonde::pelkin {

namespace {
// Strobe integrals are kept in quarter sample units, as integers, so that
// the running sums stay exact however long the stream runs.
constexpr double kStrobeScale = 4.0;
// Strobe integrals are rounded to a quarter of the input's own step: the
// coarsest power of two, at most an 8-bit sample's, that every sample so far
// is a multiple of. So they are the same integers in the same units whether
// the samples came as 8 or 16 bits.
constexpr uint64_t kCoarsestStep = 256;
// A later sync word this much stronger within the frame wins.
constexpr double kOutshineMargin = 0.15;

uint64_t candidate_ready(const SyncSearch& s, const RobustCandidate& c) {
    return static_cast<uint64_t>(c.sync_end + (kFrameBits + 3) * s.sps) + 2;
}

void drop_first(SyncSearch& s) {
    for (int i = 1; i < s.n_pending; i++) s.pending[i - 1] = s.pending[i];
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

void add_candidate(SyncSearch& s, const RobustCandidate& c) {
    s.candidates_seen++;
    if (c.sync_end < s.busy_until) return;
    if (s.n_pending == kMaxCandidates) {
        // Full: the weakest one leaves, if weaker than the new one.
        int weakest = 0;
        for (int i = 1; i < s.n_pending; i++)
            if (std::fabs(s.pending[i].corr) < std::fabs(s.pending[weakest].corr)) weakest = i;
        if (std::fabs(s.pending[weakest].corr) >= std::fabs(c.corr)) return;
        for (int i = weakest + 1; i < s.n_pending; i++) s.pending[i - 1] = s.pending[i];
        s.n_pending--;
    }
    s.pending[s.n_pending++] = c;
    s.ready_at = candidate_ready(s, s.pending[0]);
}

}  // namespace

void take_strobe(SyncSearch& s, const RunningSums& sums) {
    const double ts = s.next_strobe;
    s.next_strobe += s.sps / kStrobesPerBit;
    s.strobe_ready = static_cast<uint64_t>(s.next_strobe) + 1;
    const uint64_t j = s.strobe_count++;
    const int ph = static_cast<int>(j % kStrobesPerBit);
    const uint64_t k = j / kStrobesPerBit;  // bits this phase has seen before

    const auto step = static_cast<int64_t>(uint64_t{1} << std::countr_zero(sums.low_bits | kCoarsestStep));
    const double quarters = sums_integral(sums, ts - s.sps, ts) * kStrobeScale;
    // step is a power of two: multiplying by its inverse is the exact division.
    const int64_t y = std::llround(quarters * (1.0 / static_cast<double>(step))) * step;
    int64_t* h = s.hist[ph];
    const int64_t old = k >= kSyncBits ? h[(k - kSyncBits) & 31] : 0;
    h[k & 31] = y;
    s.s1[ph] += y - old;
    s.s2[ph] += y * y - old * old;
    // k and k - 20 have the same parity.
    s.alt[ph] += (k & 1) ? old - y : y - old;
    if (k + 1 < kSyncBits) return;

    // The pattern is (-1)^i except at its positions 0, 9, 10 and 19.
    const uint64_t start = k + 1 - kSyncBits;
    const int64_t alt = (start & 1) ? -s.alt[ph] : s.alt[ph];
    const int64_t r = alt - 2 * (h[start & 31] - h[(start + 9) & 31] + h[(start + 10) & 31] - h[(start + 19) & 31]);
    const double den = static_cast<double>(kSyncBits) * static_cast<double>(s.s2[ph]) -
                       static_cast<double>(s.s1[ph]) * static_cast<double>(s.s1[ph]);
    const double rr = static_cast<double>(r) * static_cast<double>(r);
    const double th = s.threshold;
    const bool above = den > 0.0 && rr >= th * th * den;
    if (above) {
        const double rho = static_cast<double>(r) / std::sqrt(den);
        if (!s.in_peak) {
            s.in_peak = true;
            s.peak_until = j + kStrobesPerBit;
            s.peak = RobustCandidate{ts, rho};
        } else if (std::fabs(rho) > std::fabs(s.peak.corr)) {
            s.peak = RobustCandidate{ts, rho};
        }
    }
    if (s.in_peak && j >= s.peak_until) {
        s.in_peak = false;
        add_candidate(s, s.peak);
    }
}
void sync_search_init(SyncSearch& s, double sps, double threshold) {
    s = SyncSearch{};
    s.sps = sps;
    s.threshold = threshold;
    s.next_strobe = sps;
    s.strobe_ready = static_cast<uint64_t>(s.next_strobe) + 1;
}

bool next_candidate(SyncSearch& s, const RunningSums& sums, RobustCandidate& c) {
    while (s.n_pending > 0 && sums.n >= s.ready_at) {
        c = s.pending[0];
        drop_first(s);
        if (c.sync_end < s.busy_until || outshone(s, c)) continue;
        return true;
    }
    return false;
}

}  // namespace sonde::pelkin
