// Sync word search on soft values: the last n soft values are correlated
// with the word as +1/-1 and normalised by their energy (the cosine between
// the two vectors), so the score lies in [-1, 1] whatever the signal level:
// 1 for a clean match, -1 for a clean match of the inverted word. A
// channel-bit error of average size costs about 2/n; values near 0 (a
// timing half a bit off, silence) do not raise the score, unlike a
// normalisation by magnitudes. The threshold is the caller's, set from the
// rate of false starts it measures on noise. The signs also run through a
// shift register, so the soft score is only computed where the hard
// decisions are within max_errors of the word or its inverse: O(1) per
// value elsewhere.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace sonde {

constexpr int kSoftSyncMaxLen = 64;

struct SoftSync {
    float word[kSoftSyncMaxLen] = {};      // +1 / -1, oldest first
    float hist[2 * kSoftSyncMaxLen] = {};  // each value twice, so the window is contiguous
    int len = 0;
    int pos = 0;     // next write position in [0, len)
    int filled = 0;  // values seen, up to len
    float threshold = 0.8f;
    // Hard disagreements beyond which the score is not computed; keep it well
    // above (1 - threshold) / 2 * len, the count of average-sized errors the
    // threshold allows (3.2 for 0.8 and 32 values).
    int max_errors = 8;
    uint64_t hard = 0;       // signs of the last values, newest in bit 0 (1 for positive)
    uint64_t hard_word = 0;  // the word in the same order
    uint64_t mask = 0;       // the low len bits
};

// Word as '0'/'1' characters, oldest first (at most kSoftSyncMaxLen).
// False for an empty or too long word.
bool soft_sync_init(SoftSync& s, std::string_view bits, float threshold);

// Normalised correlation of the last len values with the word (0 until len
// values have been seen or when they are all 0), computed in full.
float soft_sync_score(const SoftSync& s);

// Plain correlation of the last len values with the word (sum of word times
// value, not normalised): it peaks where the timing is right, so a receiver
// that searches several timing phases picks and refines the best with it.
float soft_sync_correlation(const SoftSync& s);

// Pushes one soft value (positive for '1'). Returns +1 when the word ends
// here with score >= threshold, -1 when its inverse does, else 0; *score
// gets the score (0 where the hard decisions are more than max_errors away
// from both the word and its inverse); *corr, when given, the plain
// correlation the score came from (0 where the score is not computed), so a
// caller that wants both does not correlate twice.
// The score of the values in s and the verdict, as soft_sync_push gives them.
int soft_sync_scored(const SoftSync& s, float* score, float* corr);

// Bit count without a library call (portable builds have no popcnt).
inline int soft_sync_bit_count(uint64_t x) {
    x = x - ((x >> 1) & 0x5555555555555555ull);
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<int>((x * 0x0101010101010101ull) >> 56);
}

// Inline: a receiver pushes every channel bit of every timing phase, and
// nearly every push ends at the hard test.
inline int soft_sync_push(SoftSync& s, float x, float* score, float* corr = nullptr) {
    s.hist[s.pos] = x;
    s.hist[s.pos + s.len] = x;
    if (++s.pos == s.len) s.pos = 0;
    if (s.filled < s.len) s.filled++;
    s.hard = (s.hard << 1 | (x > 0.0f ? 1u : 0u)) & s.mask;
    const int d = soft_sync_bit_count(s.hard ^ s.hard_word);
    if (d > s.max_errors && s.len - d > s.max_errors) {
        if (score) *score = 0.0f;
        if (corr) *corr = 0.0f;
        return 0;
    }
    return soft_sync_scored(s, score, corr);
}

// Where a peak found on a grid lies between grid points, in steps from the
// best point: the vertex of the parabola through the best value and its two
// neighbours, limited to +-0.5; 0 where the three do not bend down.
inline double parabola_peak_offset(double before, double best, double after) {
    const double den = before - 2.0 * best + after;
    return den < 0.0 ? std::clamp(0.5 * (before - after) / den, -0.5, 0.5) : 0.0;
}

}  // namespace sonde
