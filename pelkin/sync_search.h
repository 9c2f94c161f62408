// pelkin's sync search. Four strobes per bit correlate the last 20 bit
// integrals with the sync word. The word holds as many ones as zeros, so
// the correlation ignores the DC level; normalised by the spread of the 20
// integrals it ignores the amplitude, and its sign gives the polarity. The
// strongest strobe of a crossing of the threshold is a candidate, which
// waits in a queue until its frame's samples are in.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

#include "dsp/integrator.h"
#include "pelkin/frame_bytes.h"

namespace sonde::pelkin {

// The matched filter: the integral of the audio over any stretch, at
// fractional times, from running sums in a 16-bit sample's steps, exact
// integers however long the stream runs. A sample of full scale 1 is
// kSumsFullScale in their units.
constexpr double kSumsFullScale = sonde::SixteenBitUnits::kFullScale;
struct RunningSums : sonde::IntegerSums {
    uint64_t low_bits = 0;  // OR of all samples: their common power-of-two step
};

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
    // Rounding step of the integrals, from the low bits of the samples so far.
    uint64_t step_low = UINT64_MAX;  // the low bits it was found from
    int64_t step = 1;
    double step_inverse = 1.0;

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

// Queues a candidate the strobes found.
void add_candidate(SyncSearch& s, const RobustCandidate& c);

// Strobe integrals are integers in quarter sample units (their sums stay
// exact), rounded to a quarter of the input's own step: the coarsest power
// of two, at most an 8-bit sample's, that every sample so far is a multiple
// of. So 8- and 16-bit samples give the same integers.
constexpr double kStrobeScale = 4.0;
constexpr uint64_t kCoarsestStep = 256;
// std::llround without the library call, for |x| < 2^52: x less its
// truncation is exact there.
inline int64_t round_half_away(double x) {
    const auto t = static_cast<int64_t>(x);
    const double f = x - static_cast<double>(t);
    return t + (f >= 0.5 ? 1 : 0) - (f <= -0.5 ? 1 : 0);
}

// Takes the next strobe; its samples are in once sums.count >= s.strobe_ready.
// Inline: the feed takes one every few samples.
inline void take_strobe(SyncSearch& s, const RunningSums& sums) {
    const double ts = s.next_strobe;
    s.next_strobe += s.sps / kStrobesPerBit;
    s.strobe_ready = static_cast<uint64_t>(s.next_strobe) + 1;
    const uint64_t j = s.strobe_count++;
    const int ph = static_cast<int>(j % kStrobesPerBit);
    const uint64_t k = j / kStrobesPerBit;  // bits this phase has seen before

    // The step only ever shrinks, a handful of times in a stream.
    const uint64_t low = sums.low_bits & (2 * kCoarsestStep - 1);
    if (low != s.step_low) {
        s.step_low = low;
        s.step = static_cast<int64_t>(uint64_t{1} << std::countr_zero(low | kCoarsestStep));
        // step is a power of two: multiplying by its inverse is the exact division.
        s.step_inverse = 1.0 / static_cast<double>(s.step);
    }
    const double quarters = sonde::integrator_span(sums, ts - s.sps, ts) * kStrobeScale;
    const int64_t y = round_half_away(quarters * s.step_inverse) * s.step;
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
    if (den > 0.0 && rr >= s.threshold * s.threshold * den) {
        const double rho = static_cast<double>(r) / std::sqrt(den);
        if (!s.in_peak) s.peak_until = j + kStrobesPerBit;
        if (!s.in_peak || std::fabs(rho) > std::fabs(s.peak.corr)) s.peak = RobustCandidate{ts, rho};
        s.in_peak = true;
    }
    if (s.in_peak && j >= s.peak_until) {
        s.in_peak = false;
        add_candidate(s, s.peak);
    }
}

// The oldest candidate whose frame's samples are in (s.ready_at), unless it
// lies inside a frame already read (s.busy_until) or a clearly stronger sync
// word follows inside its frame: then it is noise that happened to line up
// with the groups after it. False when no candidate is ready.
bool next_candidate(SyncSearch& s, const RunningSums& sums, RobustCandidate& c);

}  // namespace sonde::pelkin
