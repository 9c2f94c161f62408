// Biphase (Manchester) line code with differential data bits: the channel
// pair 1,0 is symbol 1, 0,1 is symbol 0, and a data bit is 1 when its symbol
// equals the one before. Polarity therefore does not matter.
#pragma once

#include <cstdint>

namespace sonde::vardo {

// Decodes n/2 channel-bit pairs into '0'/'1' ('x' for an invalid pair) and
// returns the last symbol state. Only the lowest bit of each character counts.
int dpsk_bpm(const char* rawbits, char* bits, int n);

// Packs nbytes bytes from 8 * nbytes data-bit characters, most significant
// bit first; anything but '1' is a 0 bit.
int bits2bytes(const char* bits, uint8_t* bytes, int nbytes);

}  // namespace sonde::vardo
