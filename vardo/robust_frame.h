// Frames of the weak-signal receiver, from soft symbol values to checked
// bytes. A frame arrives as one soft value per biphase symbol, positive for
// symbol 1 ("10"), the symbol before the first being the sync word's last
// (symbol 0). Data bit j is 1 when symbol j equals symbol j - 1, so one
// wrong symbol flips two neighbouring data bits: correction flips symbols.
// Only the three known frame types are decoded; their two type bytes also
// give the frame's own length.
#pragma once

#include <cstdint>

namespace sonde::vardo {

constexpr int kRobustMaxBytes = 101;
constexpr int kRobustMaxSymbols = kRobustMaxBytes * 8;
constexpr int kRobustTypeSymbols = 16;  // the two type bytes
// Correction candidates per frame: each lets a frame beyond correction pass
// the 16-bit check once in 65536; 24 rather than the allowed 32 keeps false
// frames under 1 in 1000 with a margin and costs about 0.05 dB.
constexpr int kRobustCandidates = 24;

struct RobustType {
    uint8_t b0;
    uint8_t b1;
    int len;
};
constexpr int kRobustTypeCount = 3;
constexpr RobustType kRobustTypes[kRobustTypeCount] = {{0x64, 0x9F, 101}, {0x43, 0x20, 68}, {0x45, 0x20, 70}};

// Per-bit syndromes of the frame check, one table per type: flipping data
// bit b changes (computed check XOR stored check) by bit[t][b]; the check
// is linear, so syndromes of several flips add by XOR.
struct RobustSyndromes {
    uint16_t bit[kRobustTypeCount][kRobustMaxSymbols] = {};
};
void robust_syndromes_init(RobustSyndromes& s);

// The type whose two bytes the first 16 soft symbols match with the fewest
// symbol errors, if at most max_errors; else -1.
int robust_frame_type(const float* sym, int max_errors);

struct RobustDecision {
    uint8_t bytes[kRobustMaxBytes] = {};
    int len = 0;
    bool good = false;  // the check passes (after correction)
    int corrected = 0;  // data bits that differ from the plain sign decisions
};

// Decides a frame of type index t from its 8 * len soft symbols: the type
// bytes as known, every other symbol by its sign; when the check fails, the
// least reliable symbols are flipped (at most max_candidates tries) and the
// first candidate that passes the check is taken.
RobustDecision robust_decide(const float* sym, int t, const RobustSyndromes& s, int max_candidates);

// Frame syndrome: computed check of bytes 0 .. len - 3 XOR the stored check.
uint16_t robust_syndrome(const uint8_t* bytes, int len);

}  // namespace sonde::vardo
