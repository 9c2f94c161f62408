#include "pelkin/capture_loop.h"

#include <cstring>

namespace sonde::pelkin {

namespace {
// A short run (under half a bit) with more than this many bits collected is
// taken as the signal breaking down: the frame is finished with '0' bits.
constexpr int kLateLossBits = 350;

// A run of equal bits can complete at most one frame in progress, one sync
// word and the frame after it; from then on the ring holds nothing but that
// bit and further bits of the run change nothing. Long runs (a silent or
// slow-rate input) are cut to this many bits.
constexpr int kRunBitsThatMatter = 2 * (kFrameBits + kSyncRingMax);

struct Capture {
    int sync = 0;   // 0 while searching, else the sign of the sync word found
    int count = 0;  // frame bits stored
};

// The frame capture, handed runs or bits: a frame goes on as far as it came
// (short only when the data ended inside a frame of -b).
void finish_frame(PelkinDecoder& d, Capture& c) {
    d.frame.frame_bits[c.count] = '\0';
    d.frame.collected = c.count;
    print_frame(d.frame, d.opt, d.out_fd);
    c.sync = 0;
    c.count = 0;
}

// Bits k and later of a run of `bit`, n bits long (n at most
// kRunBitsThatMatter), through the sync search into the frame; a completed
// frame hands the rest back to the search. True when an inverted sync word
// (searched for with --auto) was found among them.
bool push_bits(PelkinDecoder& d, Capture& c, uint32_t bit, int k, int n) {
    bool inverted = false;
    while (k < n) {
        if (c.sync == 0) {
            int sign = 0;
            const int in = sync_ring_search_run(d.ring, bit, k, n, d.opt.option_auto != 0, &sign);
            if (in == 0) break;
            c.sync = sign;
            inverted ^= sign < 0;
            k = in;
            continue;
        }
        const int m = n - k < kFrameBits - c.count ? n - k : kFrameBits - c.count;
        sync_ring_push_bits(d.ring, bit, m);
        std::memset(d.frame.frame_bits + c.count, '0' + static_cast<int>(bit), static_cast<std::size_t>(m));
        c.count += m;
        k += m;
        if (c.count == kFrameBits) finish_frame(d, c);
    }
    return inverted;
}

int next_run(PelkinDecoder& d, int* bit, int* len) {
    if (d.opt.option_dc) return read_bits_fsk(d.slicer, d.dc, d.in.samples_per_bit, bit, len);
    return read_bits_fsk(d.slicer, d.in, d.in.samples_per_bit, bit, len);
}

// One run from the slicer into the capture. After an inverted sync word
// everything is read the other way up.
void take_run(PelkinDecoder& d, Capture& c, int bit, int len) {
    if (len == 0) {
        if (c.count <= kLateLossBits) return;
        std::memset(d.frame.frame_bits + c.count, '0', static_cast<std::size_t>(kFrameBits - c.count));
        c.count = kFrameBits;  // the padding counts as received zeros
        finish_frame(d, c);
    } else if (push_bits(d, c, static_cast<uint32_t>(bit), 0, len < kRunBitsThatMatter ? len : kRunBitsThatMatter)) {
        d.slicer.option_inv = d.slicer.option_inv ? 0 : 1;
    }
}

void capture_filtered(PelkinDecoder& d, Capture& c) {
    int stage[kDcBlock];  // staged filter output: nothing but the filter reads the input here
    RunCarry carry = run_carry(d.slicer);
    // A run shorter than half a bit matters only late in a frame.
    d.slicer.skip_zero_runs = true;
    for (int got; (got = dc_filter_block(d.dc, stage, kDcBlock)) > 0;) {
        slice_samples(d.slicer, stage, static_cast<std::size_t>(got), d.in.samples_per_bit, carry,
                      [&](int bit, int len) {
                          take_run(d, c, bit, len);
                          d.slicer.skip_zero_runs = c.count <= kLateLossBits;
                      });
    }
    slice_samples_end(d.slicer);
}
}  // namespace

void capture_loop(PelkinDecoder& d) {
    Capture c;
    const bool integrate = d.opt.option_b == FrameBitSource::integrate_dump;
    if (d.opt.option_dc && !integrate) {
        capture_filtered(d, c);
        return;
    }
    int bit = 0, len = 0;
    while (next_run(d, &bit, &len) == 0) {
        take_run(d, c, bit, len);
        if (c.sync == 0 || !integrate) continue;
        // -b: the rest of the frame in bit periods from the sample that ended
        // the sync word's last run.
        d.clock.bitstart = 1;
        // These bits bypass the sync ring.
        while (c.sync != 0 && read_rawbit(d.clock, d.in, d.slicer.option_inv, &bit) == 0) {
            d.frame.frame_bits[c.count++] = static_cast<char>('0' + bit);
            if (c.count == kFrameBits) finish_frame(d, c);
        }
        if (c.sync != 0) finish_frame(d, c);  // the data ended
    }
}

}  // namespace sonde::pelkin
