// Check-guided correction of a frame from the reliabilities of its "flip
// units". A unit is what one channel error flips: a bit, or in a
// differential code a symbol, which flips two neighbouring data bits. When
// the frame's check fails, the least reliable units are flipped, singly and
// in pairs (and, when asked, in deeper patterns among the very least
// reliable), in order of increasing summed reliability (the most likely error
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

constexpr int kMaxCorrectionUnits = 4;

struct CorrectionCandidate {
    int units[kMaxCorrectionUnits] = {-1, -1, -1, -1};  // increasing
    int count = 0;
    float cost = 0.0f;  // summed reliability of the flipped units, less the bonus per unit
};

// How far the search reaches beyond singles and pairs. Every pattern of at
// most deep_max units among the deep_units (below 32) least reliable is a
// candidate as well; only patterns whose unit count has the given parity are
// kept (for a check whose syndrome's parity is that of the number of bits in
// error); each unit's cost is its reliability less flip_bonus. Candidates of
// equal cost go fewer units first, then lower indices first; or, without
// ties_by_units, as found: in order of the highest pool rank they use, then
// the next.
struct CorrectionSearch {
    int deep_units = 0;
    int deep_max = 2;
    int parity = -1;  // -1: any
    float flip_bonus = 0.0f;
    bool ties_by_units = true;
};

// Fills out[] with at most max_candidates candidates (capped at
// kMaxCorrectionCandidates) drawn from the kCorrectionPool least reliable of
// the n units, cheapest first (equal costs as `how` orders them).
// `reliability` holds one non-negative value per unit (the soft value's
// magnitude). Returns the number of candidates.
int correction_candidates(const float* reliability, int n, int max_candidates, CorrectionCandidate* out,
                          const CorrectionSearch& how = {});

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
template <class T>
uint32_t candidate_syndrome(uint32_t frame_syndrome, const T* unit_syndromes, const CorrectionCandidate& c) {
    uint32_t s = frame_syndrome;
    for (int i = 0; i < c.count; i++) s ^= unit_syndromes[c.units[i]];
    return s;
}

}  // namespace sonde
