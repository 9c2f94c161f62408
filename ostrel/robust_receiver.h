// The weak-signal receive path of ostrel, pushed a block of samples at a
// time: tone correlators, tone balance, soft start search and bit clock.
// Each complete frame (the 0x01 group and 99 more groups, as the default
// path collects them) goes to the sink as a SoftFrame of 1000 bits with a
// log-likelihood ratio each, as soon as its last bit has been read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ostrel/robust_core.h"
#include "receiver/soft_frame.h"

namespace sonde::ostrel {

constexpr int kRobustMinRate = 8000;
// Above this the history of the correlators would no longer be small.
constexpr int kRobustMaxRate = 384000;

struct RobustReceiver : RobustCore<ToneCorrelators> {
    // Below about 32 kHz the limiter works on samples interpolated linearly
    // between the input's, `upsample` per input sample: its harmonics alias
    // less, and the tones' zero crossings are placed more finely.
    int upsample = 1;
    double last_input = 0.0;
};

// rate in Hz, kRobustMinRate to kRobustMaxRate; false (and nothing
// decoded) outside.
bool receiver_init(RobustReceiver& r, double sample_rate);

// Takes n samples (full scale +-1); every frame completed by them goes to the
// sink before this returns.
void receiver_feed(RobustReceiver& r, const float* x, std::size_t n, const sonde::FrameSink& sink);

}  // namespace sonde::ostrel
