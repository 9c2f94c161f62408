#include "pelkin/robust_run.h"

#include <new>

namespace sonde::pelkin {

bool robust_start(RobustRun& run, const PelkinDecoder& d, int err_fd) {
    run.reset(new (std::nothrow) RobustState);
    if (!run) {
        fd_printf(err_fd, "error malloc\n");
        return false;
    }
    soft_frame_state_init(run->frames);
    if (receiver_init(run->rx, d.in.sample_rate)) return true;
    fd_printf(err_fd, "error: --robust takes sample rates from %d to %d Hz\n", kRobustMinRate, kRobustMaxRate);
    return false;
}

void robust_capture(RobustRun& run, PelkinDecoder& d) {
    RobustState& s = *run;
    auto take = [&](const sonde::SoftFrame& f) {
        FrameRecord r = soft_frame_record(s.frames, f);
        print_record(d.frame, d.opt, r, d.out_fd);
    };
    const sonde::FrameSink sink = sonde::frame_sink(take);
    while (const std::size_t n = sonde::pump_block(s.pump, d.in)) receiver_feed(s.rx, s.pump.x, n, sink);
}

}  // namespace sonde::pelkin
