// Weak-signal receiver for the 4800 bit/s two-level baseband: samples in,
// 500 frame bits with a reliability each out, pushed block by block.
//
// Signal model: the discriminator delivers dc + pol * a * b(t) + noise, with
// b = +-1 per bit (NRZ), a DC level set by the tuning offset (it may exceed
// a, the whole signal then lies on one side of zero), unknown polarity, and
// an AC-coupled audio path that lets the level sag during long runs.
//
// The matched filter integrates the audio over a bit at any fractional
// time; the sync search (sync_search.h) finds candidates, the frame reader
// (frame_reader.h) reads and gates them. Frames read with the de-emphasis
// undone are flagged kSoftFrameDeemphasisUndone.
#pragma once

#include <cstddef>

#include "pelkin/frame_reader.h"
#include "pelkin/sync_search.h"
#include "receiver/soft_frame.h"

namespace sonde::pelkin {

// Sample rates the receiver takes.
constexpr int kRobustMinRate = 8000;
constexpr int kRobustMaxRate = 768000;

struct RobustReceiver {
    RunningSums sums;
    SyncSearch search;
    FrameReader reader;
};

// Sets up the receiver for a sample rate in Hz (kRobustMinRate to
// kRobustMaxRate); the only allocation. False, and nothing decoded, for a
// rate outside that range.
bool receiver_init(RobustReceiver& rx, double sample_rate, const RobustConfig& cfg = RobustConfig{});

// Takes n samples (full scale +-1); every frame completed by them goes to the
// sink before this returns, in order.
void receiver_feed(RobustReceiver& rx, const float* x, std::size_t n, const sonde::FrameSink& sink);

}  // namespace sonde::pelkin
