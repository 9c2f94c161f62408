// Bytes sent as 10-bit groups: a start bit 0, eight data bits least
// significant first, a stop bit 1. The decoders hold bits either as the
// characters '0'/'1' or as the values 0/1; start and stop bits are not
// examined.
#pragma once

#include <cstdint>

#include "io/line_out.h"

namespace sonde {

constexpr int kGroupBits = 10;

// The data byte of one group: bit k + 1 of the group is bit k of the byte,
// set when it equals `one`.
template <class Bit>
int group_byte(const Bit* group, Bit one) {
    int value = 0;
    for (int k = 1; k <= 8; k++)
        if (group[k] == one) value |= 1 << (k - 1);
    return value;
}

// n bits on one line, a space after each start bit and after the eighth data
// bit: "s dddddddd ps dddddddd p...", then "\n". Characters are written as
// they are, values 0/1 as digits.
void group_bit_dump(LineBuf& line, const char* bit_chars, int n);
void group_bit_dump(LineBuf& line, const unsigned char* bit_values, int n);

}  // namespace sonde
