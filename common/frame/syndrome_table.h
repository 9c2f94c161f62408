// Per-bit syndromes of a frame check that is linear over GF(2) once its
// start value is taken out (a CRC, a shift-register sum). The check covers
// bytes 0 .. covered - 1 and is stored in the two bytes after them, high
// byte first; the syndrome is the computed check XOR the stored one. Flipping
// a set of bits changes the syndrome by the XOR of what each bit alone
// changes, so a table of those lets a correction test a candidate with a few
// XORs. A flipped stored-check bit changes the syndrome by that bit itself.
#pragma once

#include <cstdint>

namespace sonde {

constexpr int kSyndromeMaxCovered = 128;

// check(bytes, n) is the check of bytes 0 .. n - 1.
template <class Check>
uint32_t check_syndrome(Check&& check, const uint8_t* bytes, int covered) {
    return static_cast<uint32_t>(check(bytes, covered) ^ (bytes[covered] << 8 | bytes[covered + 1]));
}

// Writes the syndrome of each bit of bytes first .. covered + 1 (the stored
// check's included) to out[8 * (byte - first) + k], k counting from the most
// significant bit of a byte when msb_first, else from the least.
template <class T, class Check>
void syndrome_table(Check&& check, int covered, int first, bool msb_first, T* out) {
    uint8_t e[kSyndromeMaxCovered + 2] = {};
    const uint32_t zero = check_syndrome(check, e, covered);
    for (int byte = first; byte < covered + 2; byte++) {
        for (int k = 0; k < 8; k++) {
            e[byte] = static_cast<uint8_t>(msb_first ? 0x80u >> k : 1u << k);
            *out++ = static_cast<T>(check_syndrome(check, e, covered) ^ zero);
        }
        e[byte] = 0;
    }
}

}  // namespace sonde
