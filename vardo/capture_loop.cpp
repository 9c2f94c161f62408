#include "vardo/capture_loop.h"

#include <cstdint>
#include <cstring>

#include "vardo/biphase.h"
#include "vardo/frame_layer.h"

namespace sonde::vardo {

namespace {

int capture_end(const FrameLayout& l) { return l.RAWBITFRAME_LEN + kCaptureExtraRawbits; }

void hand_on(VardoDecoder& v, CaptureState& cs) {
    print_frame(v);
    cs.collecting = false;
    cs.count = 0;
}

// A spike (a run shorter than half a bit) late in a frame means the signal
// has gone: the rest of the capture is padded with '0'.
void close_early(VardoDecoder& v, CaptureState& cs) {
    const int end = capture_end(v.layout);
    for (int i = cs.count; i < end; i++) v.buf.frame_rawbits[i] = '0';
    v.buf.frame_rawbits[end] = '\0';
    v.buf.bits_count = 0;
    hand_on(v, cs);
}

// Bits k and later of a run of `bit`, len bits long, into the frame being
// collected (kept out of line so the search inside the scan stays small);
// a completed frame hands the rest back to the search.
void collect_bits(VardoDecoder& v, CaptureState& cs, uint32_t bit, int k, int len);

// Searching: the run's bits from k on go through the sync ring.
inline void search_bits(VardoDecoder& v, CaptureState& cs, uint32_t bit, int k, int len) {
    int sign;
    const int in = sync_ring_search_run(v.ring, bit, k, len, true, &sign);
    if (in == 0) return;
    cs.collecting = true;
    cs.count = 0;
    collect_bits(v, cs, bit, in, len);
}

[[gnu::noinline]] void collect_bits(VardoDecoder& v, CaptureState& cs, uint32_t bit, int k, int len) {
    const int end = capture_end(v.layout);
    const int m = len - k < end - cs.count ? len - k : end - cs.count;
    sync_ring_push_bits(v.ring, bit, m);
    std::memset(v.buf.frame_rawbits + cs.count, '0' + static_cast<int>(bit), static_cast<std::size_t>(m));
    cs.count += m;
    if (cs.count >= end) {
        v.buf.frame_rawbits[cs.count] = '\0';
        v.buf.bits_count = 0;
        hand_on(v, cs);
        search_bits(v, cs, bit, k + m, len);
    }
}

// "-b1": the rest of the frame as channel bits by integrate-and-dump.
void finish_rawbit_mode(VardoDecoder& v, CaptureState& cs) {
    v.clock.bitstart = 1;
    const int end = capture_end(v.layout);
    while (cs.count < end) {
        int b;
        if (read_rawbit(v.clock, v.in, v.slicer.option_inv, &b) < 0) break;
        v.buf.frame_rawbits[cs.count++] = static_cast<char>('0' + b);
    }
    v.buf.frame_rawbits[cs.count] = '\0';
    v.buf.bits_count = 0;
    hand_on(v, cs);
}

// "-b2": the rest of the frame symbol by symbol, decoded on the fly.
// False when the data ends before the pairs collected so far are complete.
bool finish_symbol_mode(VardoDecoder& v, CaptureState& cs) {
    FrameBuffers& fb = v.buf;
    v.clock.bitstart = 1;
    int count = cs.count;
    if (count & 1) {
        int b;
        if (read_rawbit(v.clock, v.in, v.slicer.option_inv, &b) < 0) return false;
        fb.frame_rawbits[count++] = static_cast<char>('0' + b);
    }
    fb.frame_rawbits[count] = '\0';
    int s = dpsk_bpm(fb.frame_rawbits, fb.frame_bits, count);
    count /= 2;
    while (count <= v.layout.BITFRAME_LEN + kCaptureExtraBytes * 8 - 1) {
        int b;
        if (read_rawbit_pair(v.clock, v.in, v.slicer.option_inv, &b) < 0) break;
        fb.frame_bits[count++] = b == s ? '1' : '0';
        s = b;
    }
    fb.frame_bits[count] = '\0';
    fb.bits_count = count;
    hand_on(v, cs);
    return true;
}

}  // namespace

void capture_loop(VardoDecoder& v) {
    CaptureState cs;
    // A run shorter than half a bit matters only late in a frame.
    auto set_skip = [&] { v.slicer.skip_zero_runs = !(cs.collecting && cs.count > (v.layout.tdFLEN / 2) * 16); };
    // Per run, inside the slicer's scan; true when the frame's rest must be
    // read by integrate-and-dump, outside it. Searching, a run only enters
    // the ring (short runs are skipped meanwhile).
    auto on_run = [&](int bit, int len) {
        if (!cs.collecting && len > 0) {
            search_bits(v, cs, static_cast<uint32_t>(bit), 0, len);
            if (!cs.collecting) return false;
        } else if (len == 0) {
            close_early(v, cs);  // only delivered while a spike ends the frame
        } else {
            collect_bits(v, cs, static_cast<uint32_t>(bit), 0, len);
        }
        set_skip();
        return cs.collecting && v.opt.option_b >= 1;
    };
    for (;;) {
        set_skip();
        if (read_runs(v.slicer, v.in, v.in.samples_per_bit, on_run) < 0) return;
        if (v.opt.option_b > 1) {
            if (!finish_symbol_mode(v, cs)) return;
        } else {
            finish_rawbit_mode(v, cs);
        }
    }
}

}  // namespace sonde::vardo
