// The weak-signal receiver's sample front end, pushed a block at a time.
//
// Signal model: the discriminator audio is biphase at 9600 channel bit/s
// (two opposite halves per symbol), plus a DC level (the tuning offset,
// drifting slowly), plus receiver noise, band-limited. Per channel bit the
// receiver integrates over the bit at a recovered fractional timing; a
// Gardner detector on those integrals drives a second-order timing loop
// (wide while searching, narrow inside a frame). The DC level, tracked from
// the bit integrals (biphase is DC-free), is taken out before the sync
// search correlates the last 32 channel-bit values with the sync word, in
// either polarity. After a hit the symbols follow as first half minus second
// half (DC cancels), the first 16 tell the frame type and so its length,
// and each frame of a known type is handed on as soft symbols.
#pragma once

#include <cstdint>

#include "dc_tracker.h"
#include "matched_filter.h"
#include "soft_sync.h"
#include "timing_loop.h"
#include "vardo/robust_frame.h"

namespace vardo {

// One frame's soft symbols and what the receiver measured on it.
struct RobustSoftFrame {
    float sym[kRobustMaxSymbols] = {};  // positive for symbol 1, polarity taken out
    char rawbits[2 * kRobustMaxSymbols + 1] = {};  // channel-bit sign decisions, '0'/'1', NUL-terminated
    int type = -1;                                 // index into kRobustTypes
    int symbols = 0;                               // 8 * length
    float snr_db = 0.0f;  // mean^2 / variance of the symbol magnitudes
    float dc = 0.0f;      // tracked level, fraction of full scale
};

using RobustFrameSink = void (*)(void* ctx, const RobustSoftFrame& f);

struct RobustTuning {
    float sync_threshold = 0.8f;  // normalised sync correlation
    int type_errors = 2;          // symbol errors allowed in the two type bytes
    double search_bn = 0.02;      // timing loop bandwidth per channel bit, searching
    double track_bn = 0.005;      // and inside a frame
    double dc_time = 200.0;       // channel bits
};

struct RobustReceiver {
    RobustTuning tune;
    common::Integrator integ;
    common::TimingLoop loop;
    common::DcTracker dc;
    common::SoftSync sync;
    double energy = 0.0;  // mean square of DC-free channel-bit integrals
    double ready = 0.0;   // samples needed before the next channel bit can be read
    // Frame being collected.
    bool collecting = false;
    int pol = 1;
    float sync_score = 0.0f;
    float first_half = 0.0f;
    int halves = 0;
    RobustSoftFrame frame;
};

// Samples per channel bit from the sample rate and the channel bit rate.
void robust_receiver_init(RobustReceiver& r, double samples_per_bit, const RobustTuning& tune = RobustTuning{});

// Feeds n samples (full scale +-1); calls sink(ctx, frame) for every frame of
// a known type as soon as its last symbol has been read.
void robust_receiver_feed(RobustReceiver& r, const float* x, int n, RobustFrameSink sink, void* ctx);

}  // namespace vardo
