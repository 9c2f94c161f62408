// Bit layer: bit counts from the time between tone changes, the 30-bit sync pattern (twenty idle 1s and the
// group of the byte 0x01) and the 1000-bit frame that follows it.
#pragma once

#include <cstdint>

#include "ostrel/soft_sync_search.h"
#include "slicer/sync_ring.h"
#include "ostrel/tone_detector.h"

namespace sonde::ostrel {

constexpr int kBitRate = 1200;
constexpr int kFrameBits = 1000;  // 100 groups of 10
constexpr int kBitframeCapacity = 1201;
// The group of the byte 0x01, the last ten bits of the sync pattern and the
// first group of every frame.
constexpr unsigned char kFirstGroup[10] = {0, 1, 0, 0, 0, 0, 0, 0, 0, 1};

struct BitTiming {
    int bit_len = 0;           // samples per bit, sample_rate / 1200
    double sample_step = 1.0;  // 2^-bits_sample, exact
    // 64-bit: run lengths stay right on inputs of any length.
    int64_t sample_index = -1;
    int64_t run_start = 0;
    int tone_bit = kToneUndecided;
    int run_bit = kToneUndecided;
    int in_frame = 0;
    SyncRing ring;
    unsigned char bitframe[kBitframeCapacity] = {};
    int bitpos = 0;
};

void bit_timing_init(BitTiming& t, int sample_rate, int bits_sample);

// Bits in a run of run_samples samples, rounded to the nearest whole bit
// with halves up; 0 when bit_len is 0.
int64_t run_bits(int64_t run_samples, int bit_len);

// Pushes one bit through the sync ring and, while a frame is being
// collected, into bitframe. Calls on_frame(bitframe, groups) when a frame
// is complete.
template <class OnFrame>
void push_bit(BitTiming& t, int v, OnFrame&& on_frame) {
    sync_ring_push(t.ring, static_cast<char>('0' + v));
    if (!t.in_frame) {
        if (compare(t.ring) >= kSyncPatternBits) {
            t.in_frame = 1;
            t.bitpos = 10;  // bitframe[0..9] already hold the sync's last group
        }
        return;
    }
    t.bitframe[t.bitpos++] = static_cast<unsigned char>(v);
    if (t.bitpos >= kFrameBits) {
        on_frame(static_cast<const unsigned char*>(t.bitframe), t.bitpos / 10);
        t.bitpos = 0;
        t.in_frame = 0;
    }
}

// Takes the decision for the current sample; a change of tone ends the run
// in progress, whose bits are pushed.
template <class OnFrame>
void timing_decision(BitTiming& t, int tone_bit, OnFrame&& on_frame) {
    t.tone_bit = tone_bit;
    if (tone_bit == t.run_bit) return;
    const int64_t nbits = run_bits(t.sample_index - t.run_start, t.bit_len);
    t.run_start = t.sample_index;
    for (int64_t i = 0; i < nbits; i++) push_bit(t, t.run_bit, on_frame);
    t.run_bit = tone_bit;
}

// Takes a block of window decisions in order (fast_tone_block's): one per
// sample, kToneNotFull while the window fills, kToneKept where the tone
// stays as it was.
template <class OnFrame>
void timing_decisions(BitTiming& t, const int8_t* decision, int count, OnFrame&& on_frame) {
    for (int i = 0; i < count; i++) {
        t.sample_index++;
        const int d = decision[i];
        if (d == kToneNotFull) continue;
        timing_decision(t, d == kToneKept ? t.tone_bit : d, on_frame);
    }
}

}  // namespace sonde::ostrel
