#include "pelkin/robust_receiver.h"

#include <algorithm>
#include <cstdint>

namespace sonde::pelkin {

namespace {
// Reads every candidate whose samples are in; hands on the frames.
void serve_candidates(RobustReceiver& rx, const sonde::FrameSink& sink) {
    RobustCandidate c;
    while (next_candidate(rx.search, rx.sums, c)) {
        if (!read_frame(rx.reader, rx.sums, c)) continue;
        rx.search.busy_until = c.sync_end + (kFrameBits - 5) * rx.reader.sps;
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
    rx.sums.ring.clear();
    if (!(sample_rate >= kRobustMinRate && sample_rate <= kRobustMaxRate)) return false;
    const double sps = sample_rate / kPelkinBitRate;
    // History from a sync word's first bit to the frame's last, with room;
    // the only allocation.
    sonde::integrator_init(rx.sums, (kFrameBits + kSyncBits + 16) * sps + 256.0);
    rx.sums.low_bits = 0;
    sync_search_init(rx.search, sps, cfg.sync_threshold);
    frame_reader_init(rx.reader, sample_rate, sps, cfg);
    return true;
}

void receiver_feed(RobustReceiver& rx, const float* x, std::size_t n, const sonde::FrameSink& sink) {
    RunningSums& s = rx.sums;
    if (s.ring.empty()) return;
    // The samples are converted a stretch at a time; the sums' state lives
    // in registers between events (a strobe, a candidate's frame complete),
    // which see it written back.
    int32_t units[sonde::SixteenBitUnits::kStretch];
    int64_t* const csum = s.ring.data();
    const uint64_t mask = s.mask;
    uint64_t taken = s.count;
    int64_t total = s.total;
    uint32_t low = 0;  // OR of the samples; its sign extension is the OR of theirs
    auto write_back = [&] {
        s.count = taken;
        s.total = total;
        s.low_bits |= static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(low)));
    };
    auto next_event = [&] { return std::min(rx.search.strobe_ready, rx.search.ready_at); };
    uint64_t next = next_event();
    while (n > 0) {
        const std::size_t m = std::min(n, sonde::SixteenBitUnits::kStretch);
        sonde::SixteenBitUnits::units(x, m, units);
        for (std::size_t i = 0; i < m; i++) {
            total += units[i];
            low |= static_cast<uint32_t>(units[i]);
            csum[++taken & mask] = total;
            if (taken < next) continue;
            write_back();
            while (s.count >= rx.search.strobe_ready) take_strobe(rx.search, s);
            if (s.count >= rx.search.ready_at) serve_candidates(rx, sink);
            next = next_event();
        }
        x += m;
        n -= m;
    }
    write_back();
}

}  // namespace sonde::pelkin
