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
    if (rx.sums.csum.empty()) return;
    for (std::size_t i = 0; i < n; i++) {
        running_sums_push(rx.sums, std::llround(sonde::full_scale_sample(x[i]) * static_cast<float>(kSumsFullScale)));
        while (rx.sums.n >= rx.search.strobe_ready) take_strobe(rx.search, rx.sums);
        if (rx.sums.n >= rx.search.ready_at) serve_candidates(rx, sink);
    }
}

}  // namespace sonde::pelkin
