#include "slicer/sign_masks.h"

#include <cstring>
#if defined(__SSE2__) && !defined(SONDE_PORTABLE)
#include <emmintrin.h>
#endif

namespace sonde {

namespace {

// Mono data: bit i of the result is set when sample i of the 64 samples at
// p is negative.
uint64_t negative_mask(const unsigned char* p, int width) {
#if defined(__SSE2__) && !defined(SONDE_PORTABLE)
    uint64_t m = 0;
    if (width == 2) {
        for (int q = 0; q < 4; q++) {
            // Saturating packs keep each sample's sign in one byte.
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32 * q));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32 * q + 16));
            m |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(_mm_packs_epi16(a, b)))) << (16 * q);
        }
        return m;
    }
    for (int q = 0; q < 4; q++) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * q));
        m |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(a))) << (16 * q);
    }
    return ~m;  // 8-bit samples are offset: top bit clear is negative
#else
    uint64_t m = 0;
    for (std::size_t i = 0; i < 64; i++) {
        const unsigned top = width == 2 ? p[2 * i + 1] >> 7 : (p[i] >> 7) ^ 1u;
        m |= static_cast<uint64_t>(top) << i;
    }
    return m;
#endif
}

}  // namespace

// The sign is the top bit of a sample's last byte: set means negative for
// 16-bit data and positive for 8-bit data.
uint64_t frame_negative_mask(const FrameShape& f, const unsigned char* p, std::size_t m) {
    if (!f.present) return f.absent_value < 0 ? (m < 64 ? (uint64_t{1} << m) - 1 : ~uint64_t{0}) : 0;
    if (m == 64 && f.frame == static_cast<std::size_t>(f.width)) return negative_mask(p, f.width);
    uint64_t neg = 0;
    const unsigned char* top = p + f.off + static_cast<std::size_t>(f.width - 1);
    const unsigned flip = f.width == 2 ? 0u : 1u;
    for (std::size_t i = 0; i < m; i++, top += f.frame) neg |= static_cast<uint64_t>((*top >> 7) ^ flip) << i;
    return neg;
}

uint64_t negative_mask_int(const int* x) {
#if defined(__SSE2__) && !defined(SONDE_PORTABLE)
    uint64_t m = 0;
    for (int q = 0; q < 4; q++) {
        const __m128i* p = reinterpret_cast<const __m128i*>(x + 16 * q);
        // Saturating packs keep each sample's sign.
        const __m128i a = _mm_packs_epi32(_mm_loadu_si128(p), _mm_loadu_si128(p + 1));
        const __m128i b = _mm_packs_epi32(_mm_loadu_si128(p + 2), _mm_loadu_si128(p + 3));
        m |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(_mm_packs_epi16(a, b)))) << (16 * q);
    }
    return m;
#else
    uint64_t m = 0;
    for (int i = 0; i < 64; i++) m |= static_cast<uint64_t>(x[i] < 0) << i;
    return m;
#endif
}

// Plain loops the compiler turns into vector code; wider vector units,
// where the processor has them, are chosen at run time (AVX2 only: AVX-512
// divisions are no faster per lane and measured slower). Where the sign
// does not change the quotient is never used (and may be 0/0).
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__) && \
    !defined(SONDE_PORTABLE)
__attribute__((target_clones("avx2", "default")))
#endif
void crossings_mono16(const unsigned char* p, int before, float* x1v) {
    // Straight from the input block: no copy whose stores the loads would
    // wait for.
    auto at = [p](int i) { return le16_sample(p + 2 * i); };
    // Both conversions are exact: the same quotient as crossing_x1 gives.
    x1v[0] = static_cast<float>(at(0)) / static_cast<float>(at(0) - before);
    for (int i = 1; i < 64; i++) x1v[i] = static_cast<float>(at(i)) / static_cast<float>(at(i) - at(i - 1));
}

}  // namespace sonde
