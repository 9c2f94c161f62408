#include "ostrel/robust_run.h"

#include <memory>

#include "ostrel/robust_receiver.h"
#include "receiver/sample_pump.h"

namespace sonde::ostrel {

namespace {
struct RobustRun {
    RobustReceiver rx;
    SoftFrameState frames;
    sonde::SamplePump pump;
};
}  // namespace

void run_robust(WavInput& in, PacketOutput& out, const OstrelOptions& opt, int out_fd) {
    auto r = std::make_unique<RobustRun>();
    receiver_init(r->rx, in.sample_rate);
    soft_frame_state_init(r->frames);
    // The bit dump shows the bits as read, before any repair.
    auto take = [&](const sonde::SoftFrame& f) { print_record(out, opt, soft_frame_record(r->frames, f), out_fd); };
    const sonde::FrameSink sink = sonde::frame_sink(take);
    while (const std::size_t n = sonde::pump_block(r->pump, in)) receiver_feed(r->rx, r->pump.x, n, sink);
}

}  // namespace sonde::ostrel
