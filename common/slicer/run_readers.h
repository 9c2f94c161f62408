// The slicer's readers of whole blocks: samples already in memory, and the
// plain WAV input scanned in place through its raw-sample view.
#pragma once

#include <cstddef>
#include <cstdint>

#include "io/wav_input.h"
#include "slicer/chunk_walker.h"
#include "slicer/run_length.h"
#include "slicer/sample_reader.h"
#include "slicer/sign_masks.h"

namespace sonde {

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
        // Interpolate every crossing of the chunk at once (where the sign
        // changes at all).
        float x1v[65];
        // 16-bit mono only: 8-bit stereo has the same two-byte frames.
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
