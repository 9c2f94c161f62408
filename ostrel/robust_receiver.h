// The weak-signal receive path of ostrel, pushed a block of samples at a
// time: tone correlators, tone balance, soft start search and bit clock.
// Each complete frame (the 0x01 group and 99 more groups, as the default
// path collects them) goes to the sink as a SoftFrame of 1000 bits with a
// log-likelihood ratio each, as soon as its last bit has been read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ostrel/bit_timing.h"
#include "ostrel/soft_sync_search.h"
#include "ostrel/tone_balance.h"
#include "ostrel/tone_correlators.h"
#include "dsp/timing_loop.h"
#include "receiver/soft_frame.h"

namespace sonde::ostrel {

constexpr int kRobustFrameBits = kFrameBits;
constexpr int kRobustMinRate = 8000;
// Above this the history of the correlators would no longer be small.
constexpr int kRobustMaxRate = 384000;

struct RobustFrame {
    unsigned char bits[kRobustFrameBits] = {};
    float llr[kRobustFrameBits] = {};  // positive: 1; the 0x01 group at the limit
    double snr_db = 0.0;               // mean^2 / variance of the decided tone differences
    double dc = 0.0;                   // the audio's offset at the frame's end, full scale 1
    double start = 0.0;                // where the 0x01 group's first bit begins, in samples
};

struct RobustReceiver {
    ToneCorrelators corr;
    ToneBalance balance;
    SoftSyncSearch sync;
    sonde::TimingLoop clock;  // next: end of the next frame bit
    double prev_diff = 0.0;   // tone difference of the last frame bit
    // Below about 32 kHz the limiter works on samples interpolated linearly
    // between the input's, `upsample` per input sample: its harmonics alias
    // less, and the tones' zero crossings are placed more finely.
    int upsample = 1;
    double last_input = 0.0;
    double tick_step = 10.0;  // samples between search points
    double next_tick = 0.0;
    bool in_frame = false;
    int bitpos = 0;
    double diff_sum = 0.0, diff_sq = 0.0;
    RobustFrame frame;
};

// rate in Hz, kRobustMinRate to kRobustMaxRate; false (and nothing
// decoded) outside.
bool receiver_init(RobustReceiver& r, double sample_rate);

// Takes n samples (full scale +-1); every frame completed by them goes to the
// sink before this returns.
void receiver_feed(RobustReceiver& r, const float* x, std::size_t n, const sonde::FrameSink& sink);

}  // namespace sonde::ostrel
