// The slicer's readers of runs: one sample at a time from any source, and
// whole blocks at once from their sign bits (samples in memory, or the plain
// WAV input scanned in place).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "io/wav_input.h"
#include "slicer/run_length.h"
#include "slicer/sign_masks.h"

namespace sonde {

// Reads one run from source (read_sample(source) delivers the samples).
// Returns 0 with the run's level and length in whole bits, or -1 at the end
// of the data with both untouched.
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

// Walks one chunk of m samples (1 to 64): bit i of neg is set when sample i
// is negative, value(i) reads sample i, c.last is the sample before the
// chunk; x1v, when given, holds crossing_x1 at each sample, with room for
// one more before the first. Every run read_bits_fsk would return goes to
// on_run(bit, len); when that returns true the walk stops right after the
// run. Returns the samples consumed. The state after the walk follows from
// the newest sign change alone, so it is set once at the end; on_run may
// change only option_inv and skip_zero_runs, taking effect from the next run.
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
        // candidate runs are found without branching on the data, and only
        // the nonzero ones are visited.
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

// Runs from the plain WAV input, scanning the input block directly; on_run
// as for walk_chunk. Returns 0 when on_run asked to stop, -1 at the end of
// the data.
template <class OnRun>
int read_runs(SlicerState& st, WavInput& in, float samples_per_bit, OnRun&& on_run) {
    if (st.table_spb != samples_per_bit) fill_run_table(st, samples_per_bit);
    const FrameShape f = frame_shape(in);
    RunCarry c = run_carry(st);
    bool stop = false;
    auto watch = [&](int bit, int len) { return stop = on_run(bit, len); };
    for (;;) {
        const RawFrames raw = raw_frames(in, f);
        const std::size_t whole = raw.frames;
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
        const unsigned char* base = raw.data;
        const uint64_t neg = frame_negative_mask(f, base, m);
        auto value = [&f, base](std::size_t i) { return frame_sample(f, base + i * f.frame); };
        // Every crossing of the chunk interpolated at once (16-bit mono
        // only: 8-bit stereo has the same two-byte frames).
        float x1v[65];
        const bool dense = st.option_res && m == 64 && f.present && f.width == 2 && f.frame == 2 && c.last >= -32768 &&
                           c.last <= 32767 && sign_changes(st, neg, m) != 0;
        if (dense) crossings_mono16(base, c.last, x1v + 1);
        const std::size_t used = walk_chunk(st, neg, m, value, c, samples_per_bit, watch, dense ? x1v + 1 : nullptr);
        consume_frames(in, f, used);
        if (stop) return 0;
    }
}

// One run at a time from the plain WAV input.
int read_bits_fsk(SlicerState& st, WavInput& in, float samples_per_bit, int* bit, int* len);

}  // namespace sonde
