// A frame on the air is a run of 10-bit groups: start bit 0, eight data bits
// least significant first, stop bit 1. After the two 0xAA groups of the sync
// word a transmitter may send further 0xAA groups before the frame proper.
#pragma once

#include <cstdint>

#include "frame/ten_bit_groups.h"

namespace sonde::pelkin {

constexpr float kPelkinBitRate = 4800.0f;
constexpr int kFrameGroups = 50;
constexpr int kFrameBits = kFrameGroups * kGroupBits;  // bit characters per capture
constexpr int kFrameBitsSize = 504;                    // room for the NUL after a cut -b capture
constexpr int kFrameBytesSize = 60;                    // bytes 0..52 are ever written
constexpr int kFrameBodyStart = 3;                     // first byte after the fixed preamble
constexpr uint8_t kPreambleByte = 0xAA;

// The preamble bytes 0..2 are never received but belong to the CRC input.
void frame_bytes_init(uint8_t* frame_bytes);

// Turns the 50 groups of bits (500 characters, '1' is a one, anything else a
// zero) into bytes, dropping leading 0xAA groups. Returns the number of
// bytes written (0 to 50); bytes beyond keep their earlier contents.
int bits2bytes(const char* bits, uint8_t* bytes);

}  // namespace sonde::pelkin
