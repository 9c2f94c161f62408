// The slicer over a chunk of up to 64 samples at once, from their sign bits:
// every run the one-sample reader would return, found from the chunk's sign
// changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "slicer/run_length.h"
#include "slicer/sign_masks.h"

namespace sonde {

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

}  // namespace sonde
