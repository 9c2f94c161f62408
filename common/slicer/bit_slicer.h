// Zero-crossing slicer: the receiver's discriminator output is positive for
// one symbol and negative for the other, so a run of samples of one sign is a
// run of equal bits. The run's length in bit periods is rounded to whole bits.
#pragma once

#include <cstdint>
#include <cstring>
#if defined(__SSE2__) && !defined(SONDE_PORTABLE)
#include <emmintrin.h>
#endif

#include "io/wav_input.h"

namespace sonde {

// Run lengths of up to this many samples come from a table (without
// option_res), filled with the very arithmetic of the general case.
constexpr int kRunTableSize = 64;

struct SlicerState {
    int par = 1;      // sign of the latest sample (0 counts as positive)
    int par_alt = 1;  // sign of the one before; after a run, the run's sign
    int last_sample = 0;
    float x0 = 0.0f;     // with option_res: previous crossing, in samples before the run's first sample
    int option_res = 0;  // measure runs between interpolated zero crossings
    int option_inv = 0;  // swap 0 and 1
    // Set by a capture loop while a run shorter than half a bit would be
    // ignored anyway: such runs are then passed over inside the slicer (with
    // every effect on this state) instead of being reported one by one.
    bool skip_zero_runs = false;
    float table_spb = 0.0f;  // samples per bit that run_table was made for
    int run_table[kRunTableSize] = {};
    int shortest_bit_run = 0;  // fewest samples that make a run of one bit (from the table)
    // With option_res: res_step[k] is the smallest distance between crossings,
    // in samples, that rounds to at least k bits (k = 1 .. kRunTableSize).
    float res_step[kRunTableSize + 1] = {};
    // Every run shorter than the table reaches at most one step beyond the
    // length of one sample less, all within res_step.
    bool res_steps_narrow = false;
    // For interpolated crossings n samples apart (1 <= n < kRunTableSize - 1,
    // while res_steps_narrow): the length is lo, or lo + 1 when grows is set
    // and the distance reaches step; nf is n as a float.
    struct ResRun {
        float nf;
        float step;
        int lo;
        int grows;
    } res_run[kRunTableSize] = {};
};

// Longest run reported, in bits: a stream that never changes sign would
// otherwise overflow the length; no frame is anywhere near this long.
constexpr int kMaxRunBits = 1 << 30;

// A length in bit periods rounded to whole bits, halves up.
inline int whole_bits(float l) {
    double rounded = static_cast<double>(l) + 0.5;
    return rounded < static_cast<double>(kMaxRunBits) ? static_cast<int>(rounded) : kMaxRunBits;
}

void fill_run_table(SlicerState& st, float samples_per_bit);

// Interpolated crossing between previous and sample, in samples before sample.
inline float crossing_x1(int previous, int sample) {
    return static_cast<float>(sample) / static_cast<float>(sample - previous);
}

// Whole bits in a run of n samples without interpolation (the table filled).
inline int plain_run_bits(const SlicerState& st, uint64_t n, float samples_per_bit) {
    return n < kRunTableSize ? st.run_table[n] : whole_bits(static_cast<float>(n) / samples_per_bit);
}

// Length in whole bits and level of a run of n samples that ended with
// `sample` after `previous`; shared by every sample source.
inline void slicer_run_length(SlicerState& st, uint64_t n, int previous, int sample, float samples_per_bit, int* bit,
                              int* len) {
    *bit = st.option_inv ? (1 - st.par_alt) / 2 : (st.par_alt + 1) / 2;
    if (!st.option_res) {
        if (st.table_spb != samples_per_bit) fill_run_table(st, samples_per_bit);
        *len = plain_run_bits(st, n, samples_per_bit);
        return;
    }
    const float x1 = crossing_x1(previous, sample);
    *len = whole_bits((static_cast<float>(n) + st.x0 - x1) / samples_per_bit);
    st.x0 = x1;
}

// Reads one run from source (read_sample(source) delivers the samples: a
// filter in front of the WAV input, for example). Returns 0 with the run's
// level and length in whole bits, or -1 at the end of the data with both
// untouched.
template <class Source>
int read_bits_fsk(SlicerState& st, Source& source, float samples_per_bit, int* bit, int* len) {
    for (;;) {
        uint64_t n = 0;
        int previous;
        int sample = st.last_sample;
        do {
            previous = sample;
            sample = read_sample(source);
            if (sample == kEndOfData) {
                st.last_sample = sample;
                return -1;
            }
            st.par_alt = st.par;
            st.par = sample >= 0 ? 1 : -1;
            n++;
        } while (st.par * st.par_alt > 0);
        st.last_sample = sample;
        slicer_run_length(st, n, previous, sample, samples_per_bit, bit, len);
        if (*len > 0 || !st.skip_zero_runs) return 0;
    }
}

// A run in progress, carried from one block of samples to the next.
struct RunCarry {
    uint64_t n = 0;  // samples of the run in progress so far
    int last = 0;    // the sample before the next block
};

// The carry for a scan that goes on from where the slicer stands.
inline RunCarry run_carry(const SlicerState& st) {
    RunCarry c;
    c.last = st.last_sample;
    return c;
}

// Bit i set where sample i of a chunk of m (1 to 64) differs in sign from
// the one before it; neg holds the chunk's sign bits.
inline uint64_t sign_changes(const SlicerState& st, uint64_t neg, std::size_t m) {
    const uint64_t changes = neg ^ (neg << 1 | static_cast<uint64_t>(st.par < 0));
    return m < 64 ? changes & ((uint64_t{1} << m) - 1) : changes;
}

// Runs shorter than this many samples are known to be 0 bits long and are
// passed over while the caller skips such runs; 0 when none are passed over.
// With interpolation a run of n samples is at most n + 1 samples between its
// crossings, and each float step rounds monotonically, so its length is
// at most that of n + 1 plain samples.
inline unsigned skip_threshold(const SlicerState& st) {
    if (!st.skip_zero_runs) return 0;
    const int t = st.option_res ? st.shortest_bit_run - 1 : st.shortest_bit_run;
    return t > 1 ? static_cast<unsigned>(t) : 0;
}

// Length in whole bits of a run between interpolated crossings n samples
// apart, x0 and x1 the crossings' offsets. The same as the float arithmetic
// of slicer_run_length: the length lies between those of n - 1 and n + 1
// plain samples, and within that the distance is compared with the
// smallest distances that reach each length.
inline int res_run_bits(const SlicerState& st, uint64_t n, float x0, float x1, float samples_per_bit) {
    const float t = static_cast<float>(n) + x0 - x1;
    if (n + 1 < kRunTableSize) {
        int len = st.run_table[n - 1];
        const int hi = st.run_table[n + 1];
        if (hi <= kRunTableSize) {
            while (len < hi && t >= st.res_step[len + 1]) len++;
            return len;
        }
    }
    return whole_bits(t / samples_per_bit);
}

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

// Walks one chunk of m samples (1 to 64): bit i of neg is set when sample i
// is negative, value(i) reads sample i, c.last is the sample before the
// chunk; x1v, when given, holds crossing_x1 at each sample, with room for
// one more before the first. Every run read_bits_fsk would return goes to
// on_run(bit, len); when that returns true the walk stops right after the
// run's last sample. Returns the number of samples consumed. Runs the caller
// skips are passed over in bulk. The state after the walk follows from the
// newest sign change alone, so it is set once at the end; on_run may change
// only option_inv and skip_zero_runs, which take effect from the next run.
template <class Value, class OnRun>
std::size_t walk_chunk(SlicerState& st, uint64_t neg, std::size_t m, const Value& value, RunCarry& c,
                       float samples_per_bit, OnRun& on_run, float* x1v = nullptr) {
    const uint64_t changes = sign_changes(st, neg, m);
    auto at = [&](std::ptrdiff_t i) { return i < 0 ? c.last : value(static_cast<std::size_t>(i)); };
    auto x1_at = [&](std::ptrdiff_t i) {
        return x1v != nullptr ? x1v[i] : crossing_x1(at(i - 1), value(static_cast<std::size_t>(i)));
    };
    std::size_t end = m;
    if (changes) {
        bool skip = st.skip_zero_runs;
        unsigned t = skip_threshold(st);
        uint64_t todo = changes & ~changes_before(changes, t);
        // With every crossing interpolated in advance, the lengths of all
        // candidate runs (below kRunTableSize) are found without branching
        // on the data; the runs to report, the nonzero ones, are then found
        // in one sweep and only they are visited.
        alignas(16) uint8_t lens[64];
        bool known = false;
        if (x1v != nullptr && st.option_res && t > 0 && st.res_steps_narrow) {
            known = true;
            std::memset(lens, 0, sizeof lens);
            x1v[-1] = st.x0;  // the crossing before the chunk
            for (uint64_t cand = todo; cand; cand &= cand - 1) {
                const std::size_t j = static_cast<std::size_t>(__builtin_ctzll(cand));
                const uint64_t below = changes & ((uint64_t{1} << j) - 1);
                // The previous change, counted from 1; 0 when before the chunk.
                const std::size_t q = static_cast<std::size_t>(63 - __builtin_clzll(below << 1 | 1));
                const uint64_t n = j + 1 - q + (q == 0 ? c.n : 0);
                if (n + 1 >= kRunTableSize) {
                    known = false;
                    break;
                }
                const SlicerState::ResRun& r = st.res_run[n];
                const float d = r.nf + x1v[static_cast<std::ptrdiff_t>(q) - 1] - x1v[j];
                const int len = r.lo + (r.grows & static_cast<int>(d >= r.step));
                lens[j] = static_cast<uint8_t>(len);
            }
            if (known) todo = nonzero_mask8(lens);
        }
        while (todo) {
            const std::size_t j = static_cast<std::size_t>(__builtin_ctzll(todo));
            todo &= todo - 1;
            int len;
            if (known) {
                len = lens[j];
            } else {
                const uint64_t below = changes & ((uint64_t{1} << j) - 1);
                const std::ptrdiff_t p = below ? 63 - __builtin_clzll(below) : -1;
                const uint64_t n = p >= 0 ? j - static_cast<std::size_t>(p) : c.n + j + 1;
                if (n < t) continue;
                if (st.option_res) {
                    const float x0 = p >= 0 ? x1_at(p) : st.x0;
                    len = res_run_bits(st, n, x0, x1_at(static_cast<std::ptrdiff_t>(j)), samples_per_bit);
                } else {
                    len = plain_run_bits(st, n, samples_per_bit);
                }
                if (len == 0 && skip) continue;
            }
            // The run's samples have the sign opposite to sample j's.
            const int bit = static_cast<int>(neg >> j & 1) ^ (st.option_inv != 0);
            if (on_run(bit, len)) {
                end = j + 1;
                break;
            }
            if (st.skip_zero_runs != skip) {
                skip = st.skip_zero_runs;
                t = skip_threshold(st);
                known = false;
                const uint64_t later = j + 1 < 64 ? changes & ~((uint64_t{1} << (j + 1)) - 1) : 0;
                todo = later & ~changes_before(changes, t);
            }
        }
    }
    const uint64_t done = end < 64 ? changes & ((uint64_t{1} << end) - 1) : changes;
    if (done) {
        const std::size_t lc = static_cast<std::size_t>(63 - __builtin_clzll(done));
        st.par = (neg >> lc & 1) ? -1 : 1;
        st.par_alt = lc + 1 == end ? -st.par : st.par;
        st.last_sample = value(lc);
        if (st.option_res) st.x0 = x1_at(static_cast<std::ptrdiff_t>(lc));
        c.n = end - 1 - lc;
    } else {
        c.n += end;
        st.par_alt = st.par;
    }
    c.last = value(end - 1);
    return end;
}

// Bit i set when x[i] < 0, for the 64 ints at x.
uint64_t negative_mask_int(const int* x);

// Slices count samples at x exactly as read_bits_fsk would deliver them one
// by one, calling on_run(bit, len) for every run it would return; c comes
// from run_carry when the scan begins and carries on between calls.
template <class OnRun>
void slice_samples(SlicerState& st, const int* x, std::size_t count, float samples_per_bit, RunCarry& c,
                   OnRun&& on_run) {
    if (st.table_spb != samples_per_bit) fill_run_table(st, samples_per_bit);
    auto go_on = [&](int bit, int len) {
        on_run(bit, len);
        return false;
    };
    for (std::size_t at = 0; at < count;) {
        const std::size_t m = count - at < 64 ? count - at : 64;
        const int* chunk = x + at;
        uint64_t neg = 0;
        if (m == 64) {
            neg = negative_mask_int(chunk);
        } else {
            for (std::size_t i = 0; i < m; i++) neg |= static_cast<uint64_t>(chunk[i] < 0) << i;
        }
        walk_chunk(
            st, neg, m, [chunk](std::size_t i) { return chunk[i]; }, c, samples_per_bit, go_on);
        at += m;
    }
}

// The end of the data after slice_samples: the state read_bits_fsk leaves.
inline void slice_samples_end(SlicerState& st) { st.last_sample = kEndOfData; }

// Sign bits of m (1 to 64) whole sample frames at p.
uint64_t frame_negative_mask(const FrameShape& f, const unsigned char* p, std::size_t m);

// crossing_x1 for each of the 64 16-bit samples at p, the first one's
// predecessor being `before` (a 16-bit value); meaningful where the sign
// changes.
void crossings_mono16(const unsigned char* p, int before, float* x1v);

// Runs from the plain WAV input, scanning the input block directly; on_run
// as for walk_chunk. Returns 0 when on_run asked to stop, -1 at the end of
// the data.
template <class OnRun>
int read_runs(SlicerState& st, WavInput& in, float samples_per_bit, OnRun&& on_run) {
    if (st.table_spb != samples_per_bit) fill_run_table(st, samples_per_bit);
    const FrameShape f = frame_shape(in);
    ByteSource& s = in.src;
    RunCarry c = run_carry(st);
    bool stop = false;
    auto watch = [&](int bit, int len) { return stop = on_run(bit, len); };
    for (;;) {
        const std::size_t whole = (s.len - s.pos) / f.frame;
        if (whole == 0) {
            // A frame straddling two blocks, or the end: the general reader.
            const int v = read_signed_sample(in);
            if (v == kEndOfData) {
                st.last_sample = v;
                return -1;
            }
            walk_chunk(
                st, static_cast<uint64_t>(v < 0), 1, [v](std::size_t) { return v; }, c, samples_per_bit, watch);
            if (stop) return 0;
            continue;
        }
        const std::size_t m = whole < 64 ? whole : 64;
        const unsigned char* base = s.data + s.pos;
        const uint64_t neg = frame_negative_mask(f, base, m);
        auto value = [&f, base](std::size_t i) { return frame_sample(f, base + i * f.frame); };
        // Interpolate every crossing of the chunk at once (where the sign
        // changes at all).
        float x1v[65];
        // 16-bit mono only: 8-bit stereo has the same two-byte frames.
        const bool dense = st.option_res && m == 64 && f.present && f.width == 2 && f.frame == 2 && c.last >= -32768 &&
                           c.last <= 32767 && sign_changes(st, neg, m) != 0;
        if (dense) crossings_mono16(base, c.last, x1v + 1);
        const std::size_t used = walk_chunk(st, neg, m, value, c, samples_per_bit, watch, dense ? x1v + 1 : nullptr);
        s.pos += used * f.frame;
        if (in.count_samples) in.sample_count += used;
        if (stop) return 0;
    }
}

// One run at a time from the plain WAV input.
int read_bits_fsk(SlicerState& st, WavInput& in, float samples_per_bit, int* bit, int* len);

}  // namespace sonde
