#include "pelkin/robust_run.h"

#include <new>

#include "pelkin/robust_receiver.h"
#include "receiver/sample_pump.h"

namespace sonde::pelkin {

struct RobustState {
    RobustReceiver rx;
    SoftFrameState frames;
    sonde::SamplePump pump;
};

void RobustStateFree::operator()(RobustState* s) const { delete s; }

bool robust_start(RobustRun& run, const PelkinDecoder& d, int err_fd) {
    run.reset(new (std::nothrow) RobustState);
    if (!run) {
        fd_printf(err_fd, "error malloc\n");
        return false;
    }
    if (!receiver_init(run->rx, d.in.sample_rate)) {
        fd_printf(err_fd, "error: --robust takes sample rates from %d to %d Hz\n", kRobustMinRate, kRobustMaxRate);
        return false;
    }
    soft_frame_state_init(run->frames);
    return true;
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
