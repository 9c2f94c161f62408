// CRC-guided correction of a frame read by the weak-signal receiver. The
// CRC-16 is affine over GF(2): flipping a set of bits changes the remainder
// by the XOR of what each bit alone changes. So each data bit of bytes 3..49
// gets its 16-bit syndrome once, and a candidate costs a few XORs.
#pragma once

#include <cstdint>

#include "pelkin/frame_bytes.h"

namespace sonde::pelkin {

// Checks per frame beyond the frame as read. Only patterns of the
// syndrome's parity are tried (the polynomial has the factor x + 1), each
// passing a frame beyond repair once in 32768: 17 checks, at most 5.2e-4.
// Through the simulated receiver wrong frames passed about twice as often
// as that estimate with 24 checks, hence the margin.
constexpr int kCorrectionChecks = 16;
constexpr int kCheckedFirst = kFrameBodyStart;       // byte 3
constexpr int kCheckedBytes = 50 - kFrameBodyStart;  // bytes 3..49, the stored CRC included

struct CrcSyndromes {
    uint16_t bit[kCheckedBytes * 8];  // change of (computed ^ stored) when bit b of byte 3 + i flips: bit[8 * i + b]
};

void crc_syndromes_init(CrcSyndromes& s);

// Bonus per flipped bit for frames read from the audio as it comes: there
// (through the simulated receiver) bits a click was limited in, below about
// 0.08, are wrong more often than right, and the bonus tries several of them
// before one confident bit. With de-emphasis undone noise peaks are limited
// too, and the weakest bits are as reliable as they look: no bonus.
constexpr float kClickFlipBonus = 0.05f;

// Flips unreliable data bits that make the frame pass its CRC, within the
// candidate budget: patterns of the syndrome's parity among the six least
// reliable bits, and singles or pairs among the 32 least reliable, in
// order of summed |soft| less flip_bonus per bit. Returns the number of
// bits flipped (0 when the frame passes as read), or -1 when no candidate
// passes; the bits are then unchanged.
int correct_frame_bits(const CrcSyndromes& s, char* bits, const float* soft, float flip_bonus = 0.0f);

}  // namespace sonde::pelkin
