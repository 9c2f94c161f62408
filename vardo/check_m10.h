// The frame's own 16-bit check: a shift register fed byte by byte, the old
// low byte moving up and the new low byte mixing the input with the state.
#pragma once

#include <cstdint>

namespace sonde::vardo {

uint16_t update_checkM10(uint16_t k, uint8_t b);
// Check of bytes 0 .. n-1 (0 for n <= 0).
uint16_t checkM10(const uint8_t* bytes, int n);

}  // namespace sonde::vardo
