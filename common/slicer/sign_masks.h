// Work on chunks of 64 samples at once: bit masks of where the sign
// changes, which lengths are nonzero and which samples are negative, and the
// interpolated crossings of a 16-bit chunk (SSE2 where there is, a plain
// loop elsewhere).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__) && !defined(SONDE_PORTABLE)
#include <emmintrin.h>
#endif

#include "io/wav_input.h"

namespace sonde {

// Bit i set when a bit of ch lies 1 to t - 1 places below i (t <= 64).
inline uint64_t changes_before(uint64_t ch, unsigned t) {
    if (t < 2) return 0;
    uint64_t acc = ch << 1;
    unsigned span = 1;
    while (span < t - 1) {
        const unsigned add = span < t - 1 - span ? span : t - 1 - span;
        acc |= acc << add;
        span += add;
    }
    return acc;
}

// Bit i set when x[i] is not 0, for the 64 bytes at x.
inline uint64_t nonzero_mask8(const uint8_t* x) {
#if defined(__SSE2__) && !defined(SONDE_PORTABLE)
    uint64_t m = 0;
    const __m128i zero = _mm_setzero_si128();
    for (int q = 0; q < 4; q++) {
        const __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(x + 16 * q));
        m |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)))) << (16 * q);
    }
    return ~m;
#else
    uint64_t m = 0;
    for (int i = 0; i < 64; i++) m |= static_cast<uint64_t>(x[i] != 0) << i;
    return m;
#endif
}

// Bit i set when x[i] < 0, for the 64 ints at x.
uint64_t negative_mask_int(const int* x);

// Sign bits of m (1 to 64) whole sample frames at p.
uint64_t frame_negative_mask(const FrameShape& f, const unsigned char* p, std::size_t m);

// crossing_x1 for each of the 64 16-bit samples at p, the first one's
// predecessor being `before` (a 16-bit value); meaningful where the sign
// changes.
void crossings_mono16(const unsigned char* p, int before, float* x1v);

}  // namespace sonde
