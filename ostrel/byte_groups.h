// Bytes travel as 10-bit groups: a start bit 0, eight data bits least
// significant first, a stop bit 1. A group of ten 1s is steady 1200 Hz tone
// where a byte was expected and ends the bytes of a frame.
#pragma once

#include "frame/ten_bit_groups.h"

namespace sonde::ostrel {

constexpr int kAllOnesGroup = 0xFFFF;

// The byte of one group (0..255), or kAllOnesGroup. Start and stop bits are
// not examined.
int bits2byte(const unsigned char* group);

// Converts up to len groups; returns the number converted before the first
// all-ones group (whose byte position then holds 0xFF).
int bits2bytes(const unsigned char* bits, unsigned char* bytes, int len);

}  // namespace sonde::ostrel
