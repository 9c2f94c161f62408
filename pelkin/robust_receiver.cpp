#include "pelkin/robust_receiver.h"

#include <cmath>

namespace sonde::pelkin {

namespace {
constexpr double kBitRate = 4800.0;

// Reads every candidate whose samples are in; hands on the frames.
void serve_candidates(RobustReceiver& rx, const sonde::FrameSink& sink) {
    RobustCandidate c;
    while (next_candidate(rx.search, rx.sums, c)) {
        if (!read_frame(rx.reader, rx.sums, c)) continue;
        rx.search.busy_until = c.sync_end + (kFrameBits - 5) * rx.sps;
        const RobustFrame& f = rx.reader.frame;
        sink({.kind = sonde::SondeKind::pelkin,
              .count = kFrameBits,
              .hard = f.hard,
              .soft = f.soft,
              .start_sample = static_cast<int64_t>(f.start_sample),
              .end_sample = static_cast<int64_t>(f.end_sample),
              .snr_db = f.snr_db,
              .dc = f.dc,
              .flags = f.deemphasis_undone ? sonde::kSoftFrameDeemphasisUndone : 0u});
    }
}
}  // namespace

bool receiver_init(RobustReceiver& rx, double sample_rate, const RobustConfig& cfg) {
    rx.sums.csum.clear();
    if (!(sample_rate >= kRobustMinRate && sample_rate <= kRobustMaxRate)) return false;
    rx.sps = sample_rate / kBitRate;
    // History from a sync word's first bit to the frame's last, with room.
    running_sums_init(rx.sums, (kFrameBits + kSyncBits + 16) * rx.sps + 256.0);
    sync_search_init(rx.search, rx.sps, cfg.sync_threshold);
    frame_reader_init(rx.reader, sample_rate, rx.sps, cfg.try_deemphasis);
    rx.reader.max_start_stop_errors = cfg.max_start_stop_errors;
    rx.reader.max_boundary_errors = cfg.max_boundary_errors;
    return true;
}

void receiver_feed(RobustReceiver& rx, const float* x, std::size_t n, const sonde::FrameSink& sink) {
    RunningSums& s = rx.sums;
    if (s.csum.empty()) return;
    // The sums' state lives in registers between strobes; the strobes and
    // the frame reader see it written back.
    int64_t* const csum = s.csum.data();
    uint64_t taken = s.n;
    int64_t total = s.total;
    uint64_t low_bits = s.low_bits;
    for (std::size_t i = 0; i < n; i++) {
        const int64_t v = sums_units(sonde::full_scale_sample(x[i]));
        low_bits |= static_cast<uint64_t>(v);
        total += v;
        csum[++taken & s.mask] = total;
        if (taken < rx.search.strobe_ready && taken < rx.search.ready_at) continue;
        s.n = taken;
        s.total = total;
        s.low_bits = low_bits;
        while (s.n >= rx.search.strobe_ready) take_strobe(rx.search, s);
        if (s.n >= rx.search.ready_at) serve_candidates(rx, sink);
    }
    s.n = taken;
    s.total = total;
    s.low_bits = low_bits;
}

}  // namespace sonde::pelkin
