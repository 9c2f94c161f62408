#include "bit_slicer.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Where the chosen channel's sign lives in a sample frame, and how to read a
// whole sample back when a run ends.
struct FrameShape {
    std::size_t frame;  // bytes per sample frame
    std::size_t off;    // offset of the chosen channel's first byte
    int width;          // 1 or 2 bytes
    bool present;       // the file has the chosen channel
    int absent_value;   // sample value when it does not (the accumulator stays 0)
};

FrameShape shape_of(const WavInput& in) {
    FrameShape f;
    f.width = in.bits_sample == 16 ? 2 : 1;
    f.frame = static_cast<std::size_t>(in.channels) * static_cast<std::size_t>(f.width);
    f.present = in.wav_channel < in.channels;
    f.off = f.present ? static_cast<std::size_t>(in.wav_channel) * static_cast<std::size_t>(f.width) : 0;
    f.absent_value = f.width == 2 ? 0 : -128;
    return f;
}

inline int sample_at(const FrameShape& f, const unsigned char* frame) {
    if (!f.present) return f.absent_value;
    const unsigned char* p = frame + f.off;
    return f.width == 2 ? static_cast<int16_t>(static_cast<uint16_t>(p[0] | p[1] << 8)) : p[0] - 128;
}

// The sign is the top bit of a sample's last byte: set means negative for
// 16-bit data and positive for 8-bit data.
inline bool negative_at(const FrameShape& f, const unsigned char* frame) {
    if (!f.present) return f.absent_value < 0;
    const bool top = frame[f.off + static_cast<std::size_t>(f.width - 1)] & 0x80;
    return f.width == 2 ? top : !top;
}

// Mono data: bit i of the result is set when sample i of the 64 samples at
// p is negative.
constexpr std::size_t kMaskSamples = 64;

uint64_t negative_mask(const unsigned char* p, int width) {
#if defined(__SSE2__)
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
    for (std::size_t i = 0; i < kMaskSamples; i++) {
        const unsigned top = width == 2 ? p[2 * i + 1] >> 7 : (p[i] >> 7) ^ 1u;
        m |= static_cast<uint64_t>(top) << i;
    }
    return m;
#endif
}

}  // namespace

void fill_run_table(SlicerState& st, float samples_per_bit) {
    st.shortest_bit_run = kRunTableSize;
    for (int n = kRunTableSize - 1; n >= 0; n--) {
        st.run_table[n] = whole_bits(static_cast<float>(n) / samples_per_bit);
        if (st.run_table[n] > 0) st.shortest_bit_run = n;
    }
    st.table_spb = samples_per_bit;
}

// The plain WAV source: runs are found by looking only at the sign bits in
// the input block, 64 samples at a time for mono data, without converting
// each sample. Results are the same, run for run, as the generic reader's.
int read_bits_fsk(SlicerState& st, WavInput& in, float samples_per_bit, int* bit, int* len) {
    const FrameShape f = shape_of(in);
    ByteSource& s = in.src;
    const bool mono = f.present && f.frame == static_cast<std::size_t>(f.width);
    uint64_t n = 0;  // samples of the run in progress read so far
    int last = st.last_sample;
    // Runs shorter than this are passed over here (monotonic table: every
    // shorter run is 0 bits long).
    if (st.table_spb != samples_per_bit) fill_run_table(st, samples_per_bit);
    const uint64_t skip_below =
        st.skip_zero_runs && !st.option_res ? static_cast<uint64_t>(st.shortest_bit_run) : 0;
    for (;;) {
        const std::size_t avail_bytes = s.len - s.pos;
        if (mono && !st.option_res && avail_bytes >= kMaskSamples * f.frame) {
            const unsigned char* base = s.data + s.pos;
            const uint64_t neg = negative_mask(base, f.width);
            const uint64_t before = st.par < 0 ? 1 : 0;
            uint64_t changes = neg ^ (neg << 1 | before);
            std::size_t from = 0;  // first sample of the block not yet in a finished run
            while (changes) {
                const std::size_t i = static_cast<std::size_t>(__builtin_ctzll(changes));
                changes &= changes - 1;
                n += i + 1 - from;
                from = i + 1;
                if (n < skip_below) {
                    // A spike the caller would ignore: only the sign flips.
                    st.par_alt = st.par;
                    st.par = -st.par;
                    n = 0;
                    continue;
                }
                const int sample = sample_at(f, base + i * f.frame);
                slicer_end_run(st, sample);
                slicer_run_length(st, n, last, sample, samples_per_bit, bit, len);
                n = 0;
                last = sample;
                if (*len > 0 || !st.skip_zero_runs) {
                    s.pos += from * f.frame;
                    if (in.count_samples) in.sample_count += from;
                    return 0;
                }
            }
            n += kMaskSamples - from;
            s.pos += kMaskSamples * f.frame;
            if (in.count_samples) in.sample_count += kMaskSamples;
            last = sample_at(f, base + (kMaskSamples - 1) * f.frame);
            continue;
        }
        if (avail_bytes < f.frame) {
            // A frame straddling two blocks, or the end: the general reader.
            const int v = read_signed_sample(in);
            if (v == kEndOfData) {
                if (n) st.par_alt = st.par;
                st.last_sample = v;
                return -1;
            }
            n++;
            if ((v >= 0) == (st.par > 0)) {
                last = v;
                continue;
            }
            slicer_end_run(st, v);
            slicer_run_length(st, n, last, v, samples_per_bit, bit, len);
            n = 0;
            last = v;
            if (*len > 0 || !st.skip_zero_runs) return 0;
            continue;
        }
        // One sample frame at a time from the block.
        const unsigned char* frame = s.data + s.pos;
        s.pos += f.frame;
        if (in.count_samples) in.sample_count++;
        n++;
        if (negative_at(f, frame) == (st.par < 0)) {
            if (st.option_res) last = sample_at(f, frame);
            continue;
        }
        const int v = sample_at(f, frame);
        slicer_end_run(st, v);
        slicer_run_length(st, n, last, v, samples_per_bit, bit, len);
        n = 0;
        last = v;
        if (*len > 0 || !st.skip_zero_runs) return 0;
    }
}

uint64_t negative_mask_int(const int* x) {
#if defined(__SSE2__)
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
