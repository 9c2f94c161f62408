#include "vardo/capture_loop.h"

#include <cstdint>
#include <cstring>

#include "vardo/biphase.h"
#include "vardo/frame_layer.h"

namespace sonde::vardo {

namespace {

int capture_end(const FrameLayout& l) { return l.RAWBITFRAME_LEN + kCaptureExtraRawbits; }
int symbols_end(const FrameLayout& l) { return l.BITFRAME_LEN + kCaptureExtraBytes * 8; }

// The frame capture, handed runs, channel bits or symbols. A capture ends
// with channel bits for the frame layer to decode or, as symbols, data bits.
void hand_on(VardoDecoder& v, CaptureState& cs, bool data_bits) {
    (data_bits ? v.frame.frame_bits : v.frame.frame_rawbits)[cs.count] = '\0';
    v.frame.bits_count = data_bits ? cs.count : 0;
    print_frame(v.frame, v.opt, v.out_fd);
    cs = CaptureState{};
}

// A spike (a run shorter than half a bit) late in a frame means the signal
// has gone: the rest of the capture is padded with '0'.
void close_early(VardoDecoder& v, CaptureState& cs) {
    const int end = capture_end(v.frame.layout);
    std::memset(v.frame.frame_rawbits + cs.count, '0', static_cast<std::size_t>(end - cs.count));
    cs.count = end;
    hand_on(v, cs, false);
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
    const int end = capture_end(v.frame.layout);
    const int m = len - k < end - cs.count ? len - k : end - cs.count;
    sync_ring_push_bits(v.ring, bit, m);
    std::memset(v.frame.frame_rawbits + cs.count, '0' + static_cast<int>(bit), static_cast<std::size_t>(m));
    cs.count += m;
    if (cs.count >= end) {
        hand_on(v, cs, false);
        search_bits(v, cs, bit, k + m, len);
    }
}

// One channel bit (-b1); these bypass the sync ring.
void take_channel_bit(VardoDecoder& v, CaptureState& cs, int b) {
    v.frame.frame_rawbits[cs.count++] = static_cast<char>('0' + b);
    if (cs.count >= capture_end(v.frame.layout)) hand_on(v, cs, false);
}

// -b2: the channel-bit pairs collected so far become data bits (`last`, if
// not negative, is the channel bit that completes the final pair); symbols
// follow.
void begin_symbols(VardoDecoder& v, CaptureState& cs, int last) {
    VardoFrame& f = v.frame;
    if (last >= 0) f.frame_rawbits[cs.count++] = static_cast<char>('0' + last);
    f.frame_rawbits[cs.count] = '\0';
    cs.symbol = dpsk_bpm(f.frame_rawbits, f.frame_bits, cs.count);
    cs.count /= 2;
    if (cs.count >= symbols_end(v.frame.layout)) hand_on(v, cs, true);
}

// One symbol: the data bit is 1 when it equals the one before.
void take_symbol(VardoDecoder& v, CaptureState& cs, int b) {
    v.frame.frame_bits[cs.count++] = b == cs.symbol ? '1' : '0';
    cs.symbol = b;
    if (cs.count >= symbols_end(v.frame.layout)) hand_on(v, cs, true);
}

}  // namespace

void capture_loop(VardoDecoder& v) {
    CaptureState cs;
    const FrameBitSource source = v.opt.option_b;
    // A run shorter than half a bit matters only late in a frame.
    auto set_skip = [&] { v.slicer.skip_zero_runs = !(cs.collecting && cs.count > (v.frame.layout.tdFLEN / 2) * 16); };
    // Per run, inside the slicer's scan; true stops the scan when the rest of
    // the frame comes by integrate-and-dump. Searching, a run only enters the
    // ring (short runs are skipped meanwhile).
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
        return cs.collecting && source != FrameBitSource::slicer;
    };
    for (;;) {
        set_skip();
        if (read_runs(v.slicer, v.in, v.in.samples_per_bit, on_run) < 0) return;
        // Bit periods from the sample that ended the slicer's last run until
        // the frame is handed on; at the end of the data it goes on as it is.
        v.clock.bitstart = 1;
        const int inv = v.slicer.option_inv;
        int b = 0;
        if (source == FrameBitSource::channel_bits) {
            while (cs.collecting && read_rawbit(v.clock, v.in, inv, &b) == 0) take_channel_bit(v, cs, b);
        } else {
            // A pair the slicer left half done is completed first; when the
            // data ends before that, the capture is dropped.
            const bool half = (cs.count & 1) != 0;
            if (half && read_rawbit(v.clock, v.in, inv, &b) < 0) return;
            begin_symbols(v, cs, half ? b : -1);
            while (cs.collecting && read_rawbit_pair(v.clock, v.in, inv, &b) == 0) take_symbol(v, cs, b);
        }
        if (cs.collecting) hand_on(v, cs, source == FrameBitSource::symbols);
    }
}

}  // namespace sonde::vardo
