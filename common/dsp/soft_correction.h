// Check-guided correction of a frame from the reliabilities of its "flip
// units" (what one channel error flips: a bit, or in a differential code a
// symbol). When the frame's check fails, the least reliable units are
// flipped, singly and in pairs (when asked, in deeper patterns too), most
// likely patterns first, and the first candidate whose check passes is
// taken. The candidates are capped: with a 16-bit check each extra one lets
// a wrong frame through once in 65536. A check linear over GF(2) tests a
// candidate by syndromes alone: the frame's XOR those of the flipped units.
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

// How far the search reaches beyond singles and pairs: every pattern of at
// most deep_max units among the deep_units (below 32) least reliable is a
// candidate too; only unit counts of the given parity are kept (for a check
// whose syndrome's parity is that of the bits in error); a unit costs its
// reliability less flip_bonus. Equal costs go fewer units, then lower
// indices first; without ties_by_units, as found.
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
