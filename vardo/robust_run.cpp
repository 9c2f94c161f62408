#include "vardo/robust_run.h"

#include <memory>

#include "receiver/sample_pump.h"
#include "vardo/frame_layer.h"
#include "vardo/robust_receiver.h"

namespace sonde::vardo {

namespace {

struct RobustRun {
    VardoDecoder* v = nullptr;
    SoftFrameState frames;
    RobustReceiver rx;
    sonde::SamplePump pump;

    // The receiver's own channel-bit decisions are the record's.
    void operator()(const sonde::SoftFrame& f) {
        FrameRecord r = soft_frame_record(frames, f);
        print_record(v->frame, v->opt, r, v->out_fd);
    }
};

}  // namespace

void robust_capture(VardoDecoder& v, float bit_rate) {
    auto owner = std::make_unique<RobustRun>();
    RobustRun& run = *owner;
    run.v = &v;
    soft_frame_state_init(run.frames);
    RobustTuning tune;
    tune.bit_rate = bit_rate;
    if (!receiver_init(run.rx, v.in.sample_rate, tune))
        fd_printf(v.err_fd, "--robust: %.2f samples per bit, nothing decoded\n",
                  static_cast<double>(v.in.samples_per_bit));
    const sonde::FrameSink sink = sonde::frame_sink(run);
    while (const std::size_t n = sonde::pump_block(run.pump, v.in)) receiver_feed(run.rx, run.pump.x, n, sink);
}

}  // namespace sonde::vardo
