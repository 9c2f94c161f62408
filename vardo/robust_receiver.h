// The weak-signal receiver's sample front end, pushed a block at a time.
//
// Signal model: the discriminator audio is biphase at 9600 channel bit/s
// (two opposite halves per symbol), plus a DC level (the tuning offset,
// drifting slowly), plus receiver noise, band-limited; the noise of an FM
// discriminator rises with frequency and near threshold comes partly as
// clicks. Samples are low-passed a little (a pole at 0.73 bit rates), then
// channel bits are integrated over their length at fractional timing. The
// search runs all
// the time: four timing phases a quarter of a bit apart each feed their own
// sync correlator (the DC level, tracked from the bit integrals since
// biphase is DC-free, taken out), so the sync word is found whatever the
// timing; the phase with the largest correlation, refined between its
// neighbours, starts a frame (or replaces one whose type bytes are not in
// yet and that started with a weaker correlation).
// Inside the frame a Gardner detector on the bit integrals drives a
// second-order timing loop; bit values are clipped at their RMS, so a click
// cannot outweigh the rest of its symbol. Symbols are first half minus
// second half (DC cancels); the first 16 tell the frame type and so its length, and each
// frame of a known type is handed on as a SoftFrame of soft symbols (type:
// the index into kRobustTypes; raw: the channel-bit decisions).
#pragma once

#include <cstddef>
#include <cstdint>

#include "dsp/dc_tracker.h"
#include "dsp/integrator.h"
#include "dsp/soft_sync.h"
#include "dsp/timing_loop.h"
#include "receiver/soft_frame.h"
#include "vardo/robust_frame.h"

namespace sonde::vardo {

// The frame being read: its soft symbols and what the receiver measured on it.
struct RobustSoftFrame {
    float sym[kRobustMaxSymbols] = {};             // positive for symbol 1, polarity taken out
    unsigned char hard[kRobustMaxSymbols] = {};    // 1 where sym is positive
    char rawbits[2 * kRobustMaxSymbols + 1] = {};  // channel-bit sign decisions, '0'/'1', NUL-terminated
    int type = -1;                                 // index into kRobustTypes
    int symbols = 0;                               // 8 * length
    double start = 0.0;                            // where its first channel bit begins, in samples
};

struct RobustTuning {
    float bit_rate = 9600.0f;     // channel bits per second
    float sync_threshold = 0.8f;  // normalised sync correlation
    int type_errors = 2;          // symbol errors allowed in the two type bytes
    double track_bn = 0.015;      // timing loop bandwidth per channel bit inside a frame
    double dc_time = 200.0;       // channel bits
    double bit_clip = 1.0;        // frame bit values clipped at this many times their RMS
    double lowpass = 0.73;        // one-pole low-pass corner, in channel bit rates (0: none)
};

constexpr int kRobustPhases = 4;  // timing phases searched per channel bit

struct RobustReceiver {
    RobustTuning tune;
    bool usable = false;  // the rate allows decoding; else samples pass unused
    sonde::Integrator integ;
    sonde::TimingLoop loop;  // period always; timing inside a frame
    sonde::DcTracker dc;
    float lp_gain = 0.0f;  // one-pole low-pass before the integrator
    float lp_state = 0.0f;
    sonde::SoftSync sync[kRobustPhases];
    double energy = 0.0;  // mean square of DC-free channel-bit integrals
    double ready = 0.0;   // samples needed before the next step can run
    bool in_frame = false;
    float frame_corr = 0.0f;  // sync correlation that started the frame
    // Search: a tick every quarter bit, each phase's channel bit ending there.
    double tick = 0.0;
    int64_t ticks = 0;
    int64_t first_tick = -1;  // first hit of the decision under way, or -1
    int64_t best_tick = -1;   // the hit with the largest correlation so far
    float best_corr = 0.0f;   // its plain correlation, polarity taken out
    int best_pol = 1;
    double best_start = 0.0;   // where its last channel bit began
    float corr_ring[16] = {};  // plain correlation per tick (0 where not computed)
    // Frame being collected.
    int pol = 1;
    float first_half = 0.0f;
    int halves = 0;
    RobustSoftFrame frame;
};

// Samples per channel bit: sample_rate / tune.bit_rate, in float. False when
// a channel bit would span less than a sample, or more than the integrator's
// history allows (up to 1.2 MHz at 9600 bit/s): nothing is decoded then.
bool receiver_init(RobustReceiver& r, double sample_rate, const RobustTuning& tune = RobustTuning{});

// Feeds n samples (full scale +-1); hands every frame of a known type to the
// sink as soon as its last symbol has been read.
void receiver_feed(RobustReceiver& r, const float* x, std::size_t n, const sonde::FrameSink& sink);

}  // namespace sonde::vardo
