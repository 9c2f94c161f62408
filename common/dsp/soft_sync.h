// Sync word search on soft values: the last n values correlated with the
// word as +1/-1 and normalised by their energy (the cosine between the two
// vectors), so the score lies in [-1, 1] whatever the signal level; values
// near 0 (timing half a bit off, silence) do not raise it, unlike a
// normalisation by magnitudes. The signs also run through a shift register,
// so the score is computed only where the hard decisions are within
// max_errors of the word or its inverse: O(1) per value elsewhere.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace sonde {

constexpr int kSoftSyncMaxLen = 64;

// Values of type T: float for the normalised score below; a receiver with
// its own score (ostrel's clipped sum of doubles) takes the window alone.
template <typename T>
struct SoftSyncOf {
    T word[kSoftSyncMaxLen] = {};      // +1 / -1, oldest first
    T hist[2 * kSoftSyncMaxLen] = {};  // each value twice, so the window is contiguous
    int len = 0;
    int pos = 0;     // next write position in [0, len)
    int filled = 0;  // values seen, up to len
    T threshold = T(0.8);
    // Hard disagreements beyond which the score is not computed: well above
    // the (1 - threshold) / 2 * len average-sized errors the threshold allows.
    int max_errors = 8;
    uint64_t hard = 0;       // signs of the last values, newest in bit 0 (1 for positive)
    uint64_t hard_word = 0;  // the word in the same order
    uint64_t mask = 0;       // the low len bits
};
using SoftSync = SoftSyncOf<float>;

// Word as '0'/'1' characters, oldest first (at most kSoftSyncMaxLen).
// False for an empty or too long word.
template <typename T>
bool soft_sync_init(SoftSyncOf<T>& s, std::string_view bits, T threshold) {
    if (bits.empty() || bits.size() > static_cast<std::size_t>(kSoftSyncMaxLen)) return false;
    s = SoftSyncOf<T>{};
    s.len = static_cast<int>(bits.size());
    for (int i = 0; i < s.len; i++) {
        const bool one = bits[static_cast<std::size_t>(i)] == '1';
        s.word[i] = one ? T(1) : T(-1);
        s.hard_word = s.hard_word << 1 | (one ? 1u : 0u);
    }
    s.mask = s.len == 64 ? ~uint64_t{0} : (uint64_t{1} << s.len) - 1;
    s.threshold = threshold;
    return true;
}

// The score of the values in s and the verdict, as soft_sync_push gives them.
int soft_sync_scored(const SoftSync& s, float* score, float* corr);

// Bit count without a library call (portable builds have no popcnt).
inline int soft_sync_bit_count(uint64_t x) {
    x = x - ((x >> 1) & 0x5555555555555555ull);
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<int>((x * 0x0101010101010101ull) >> 56);
}

// Takes one value (positive for '1'). False when the hard decisions of the
// last len values are more than max_errors from both the word and its
// inverse. Inline: nearly every push of every timing phase ends here.
template <typename T>
inline bool soft_sync_take(SoftSyncOf<T>& s, T x) {
    s.hist[s.pos] = x;
    s.hist[s.pos + s.len] = x;
    if (++s.pos == s.len) s.pos = 0;
    if (s.filled < s.len) s.filled++;
    s.hard = (s.hard << 1 | (x > T(0) ? 1u : 0u)) & s.mask;
    const int d = soft_sync_bit_count(s.hard ^ s.hard_word);
    return d <= s.max_errors || s.len - d <= s.max_errors;
}

// Pushes one soft value (positive for '1'). Returns +1 when the word ends
// here with score >= threshold, -1 when its inverse does, else 0. *score
// gets the score (0 where not computed, before len values, or for all 0);
// *corr, when given, the plain correlation, which peaks where the timing is
// right: a receiver searching several timing phases picks the best with it.
inline int soft_sync_push(SoftSync& s, float x, float* score, float* corr = nullptr) {
    if (!soft_sync_take(s, x)) {
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

// The same for a peak with straight sides (a correlation over whole bits
// around its best timing phase): where the two sides through the best value
// and its neighbours meet; 0 unless the best is above both.
inline double triangle_peak_offset(float before, float best, float after) {
    const float low = std::min(before, after);
    if (!(best > low && best >= before && best >= after)) return 0.0;
    return 0.5 * static_cast<double>(after - before) / static_cast<double>(best - low);
}

}  // namespace sonde
