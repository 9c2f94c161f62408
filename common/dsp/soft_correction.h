// Check-guided correction of a frame from the reliabilities of its "flip
// units". A unit is what one channel error flips: a bit, or in a
// differential code a symbol, which flips two neighbouring data bits. When
// the frame's check fails, the least reliable units are flipped, singly and
// in pairs, in order of increasing summed reliability (the most likely error
// patterns first), and the first candidate whose check passes is taken. The
// number of candidates is capped: with a 16-bit check each extra candidate
// lets a wrong frame through once in 65536.
//
// Checks that are linear over GF(2) (a CRC with its start value taken out,
// or a shift-register sum started at 0) test a candidate with no pass over
// the frame: the syndrome (computed check XOR stored check) of the flipped
// frame is the frame's syndrome XOR the syndromes of the flipped units.
#pragma once

#include <cstdint>

namespace sonde {

constexpr int kMaxCorrectionCandidates = 32;
// Least reliable units considered: with as many as candidates, the cheapest
// candidates drawn from them are the cheapest of all singles and pairs.
constexpr int kCorrectionPool = kMaxCorrectionCandidates;

struct CorrectionCandidate {
    int units[2] = {-1, -1};
    int count = 0;      // 1 or 2
    float cost = 0.0f;  // summed reliability of the flipped units
};

// Indices of the (at most cap > 0) least reliable of the n units, least
// reliable first (at equal reliability the lower index); returns how many.
int least_reliable_units(const float* reliability, int n, int cap, int* pool);

// Fills out[] with at most max_candidates candidates (capped at
// kMaxCorrectionCandidates) drawn from the kCorrectionPool least reliable of
// the n units, cheapest first (a single before a pair of equal cost).
// `reliability` holds one non-negative value per unit (the soft value's
// magnitude). Returns the number of candidates.
int correction_candidates(const float* reliability, int n, int max_candidates, CorrectionCandidate* out);

// Tries the candidates in order; returns the index of the first one that
// `passes(candidate)` accepts, or -1.
template <class Passes>
int correct_first(const CorrectionCandidate* cands, int count, Passes&& passes) {
    for (int i = 0; i < count; i++)
        if (passes(cands[i])) return i;
    return -1;
}

// Syndrome of a candidate for a linear check: the frame's syndrome XOR the
// per-unit syndromes. 0 means the candidate's check passes.
inline uint32_t candidate_syndrome(uint32_t frame_syndrome, const uint32_t* unit_syndromes,
                                   const CorrectionCandidate& c) {
    uint32_t s = frame_syndrome;
    for (int i = 0; i < c.count; i++) s ^= unit_syndromes[c.units[i]];
    return s;
}

}  // namespace sonde
