// CRC-guided correction of a frame read by the weak-signal receiver. The
// CRC-16 is affine over GF(2): flipping a set of bits changes the remainder
// by the XOR of what each bit alone changes. So each data bit of bytes 3..49
// gets its 16-bit syndrome once, and a candidate costs a few XORs.
#pragma once

#include <cstdint>

#include "pelkin/frame_bytes.h"

namespace sonde::pelkin {

// Checks per frame beyond the frame as read. The CRC's polynomial has the
// factor x + 1, so only error patterns of the syndrome's parity are tried,
// and each passes a frame beyond repair once in 32768: with the frame as
// read, 17 checks let such a frame through at most 17 / 32768 (5.2e-4).
// Through the simulated receiver wrong frames passed about twice as often
// as that estimate with 24 checks, hence the margin.
constexpr int kCorrectionChecks = 16;
constexpr int kCheckedFirst = kFrameBodyStart;       // byte 3
constexpr int kCheckedBytes = 50 - kFrameBodyStart;  // bytes 3..49, the stored CRC included

struct CrcSyndromes {
    uint16_t bit[kCheckedBytes][8];  // change of (computed ^ stored) when bit b of byte 3 + i flips
};

void crc_syndromes_init(CrcSyndromes& s);

// Frame CRC of the bits as the frame layer reads them: true when they pass.
bool frame_bits_pass(const char* bits);

// Flips the fewest unreliable data bits (by |soft|) that make the frame pass
// its CRC, within the candidate budget. Returns the number of bits flipped
// (0 when the frame passes as read), or -1 when no candidate passes; the
// bits are then unchanged.
int correct_frame_bits(const CrcSyndromes& s, char* bits, const float* soft);

}  // namespace sonde::pelkin
