// What ostrel's weak-signal receiver does once it has the two tones'
// levels over a bit: tone balance, soft start search, bit clock and the
// frame's bits. It reads the levels of any tone source `Tones` that has
//   double bit_samples;                            // samples per bit
//   ToneLevelsAt tone_levels_at(const Tones&, double t);  // window ending at t
//   double tone_dc(const Tones&);                  // the input's offset, full scale 1
// so the audio's tone correlators and a detector on an I/Q channel's
// complex samples share one sync, clock and frame reader.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "dsp/soft_sync.h"
#include "dsp/timing_loop.h"
#include "ostrel/bit_timing.h"
#include "ostrel/soft_sync_search.h"
#include "ostrel/tone_balance.h"
#include "ostrel/tone_correlators.h"
#include "receiver/soft_frame.h"

namespace sonde::ostrel {

struct RobustFrame {
    unsigned char bits[kFrameBits] = {};
    float llr[kFrameBits] = {};  // positive: 1; the 0x01 group at the limit
    double snr_db = 0.0;         // mean^2 / variance of the decided tone differences
    double dc = 0.0;             // the input's offset at the frame's end, full scale 1
    double start = 0.0;          // where the 0x01 group's first bit begins, in samples
};

template <class Tones>
struct RobustCore {
    Tones corr;
    ToneBalance balance;
    SoftSyncSearch sync;
    sonde::TimingLoop clock;  // next: end of the next frame bit
    double prev_diff = 0.0;   // tone difference of the last frame bit
    double tick_step = 10.0;  // samples between search points
    double next_tick = 0.0;
    bool in_frame = false;
    int bitpos = 0;
    double diff_sum = 0.0, diff_sq = 0.0;
    RobustFrame frame;
};

namespace robust {

constexpr double kSearchRate = 1.0 / 64;  // level tracking per search point
constexpr double kSyncRate = 1.0 / 16;    // per known bit of a found start
constexpr double kFrameRate = 1.0 / 32;   // per decided frame bit
constexpr int kFirstGroupBits = 10;
// Clock loop noise bandwidth (fraction of the bit rate) and damping.
constexpr double kClockBandwidth = 0.01;
constexpr double kClockDamping = 1.0;
// Tone differences beyond a clean bit's (a noise burst) count as a clean bit's.
constexpr double kDiffLimit = 1.5;

struct BitRead {
    double r_one, r_zero, llr, diff;
};

template <class T>
BitRead read_bit(const RobustCore<T>& r, double t) {
    const ToneLevelsAt m = tone_levels_at(r.corr, t);
    const double diff = tone_difference(r.balance, m.one, m.zero);
    return {m.one, m.zero, tone_llr_of_difference(r.balance, diff), diff};
}

// Correlation of the pattern with the (unclipped) tone differences, its
// last bit ending at t. Unlike the clipped search score it does not level
// off on a strong signal, so its peak marks the pattern's end.
template <class T>
double pattern_match(const RobustCore<T>& r, double t) {
    double sum = 0.0;
    for (int j = 0; j < kSyncPatternBits; j++) {
        const double d = read_bit(r, t - (kSyncPatternBits - 1 - j) * r.corr.bit_samples).diff;
        sum += kSyncPattern[j] == '1' ? d : -d;
    }
    return sum;
}

// The end of the pattern to a fraction of a search step: the best of a fine
// grid around the search's peak, refined by a parabola.
template <class T>
double refine_peak(const RobustCore<T>& r, double t) {
    constexpr int kSteps = 4;  // fine points per search step, each side
    const double step = r.tick_step / kSteps;
    double score[2 * kSteps + 1];
    int best = 0;
    for (int i = 0; i <= 2 * kSteps; i++) {
        score[i] = pattern_match(r, t + (i - kSteps) * step);
        if (score[i] > score[best]) best = i;
    }
    const bool inside = best > 0 && best < 2 * kSteps;
    const double offset = inside ? sonde::parabola_peak_offset(score[best - 1], score[best], score[best + 1]) : 0.0;
    return t + (best - kSteps + offset) * step;
}

template <class T>
void start_frame(RobustCore<T>& r, SyncPeak peak) {
    const double period = r.corr.bit_samples;
    peak.time = refine_peak(r, peak.time);
    // The pattern's bits are known: they set both tones' levels.
    for (int j = 0; j < kSyncPatternBits; j++) {
        const double t = peak.time - (kSyncPatternBits - 1 - j) * period;
        const BitRead b = read_bit(r, t);
        tone_balance_update(r.balance, b.r_one, b.r_zero, kSyncPattern[j] - '0', kSyncRate);
    }
    r.clock = sonde::timing_loop_make(period, kClockBandwidth, kClockDamping);
    r.clock.next = peak.time + period;
    r.prev_diff = std::clamp(read_bit(r, peak.time).diff, -kDiffLimit, kDiffLimit);
    r.in_frame = true;
    r.bitpos = kFirstGroupBits;
    r.frame.start = peak.time - (kFirstGroupBits - 1) * period;
    for (int j = 0; j < kFirstGroupBits; j++) {
        const unsigned char v = kSyncPattern[kSyncPatternBits - kFirstGroupBits + j] - '0';
        r.frame.bits[j] = v;
        r.frame.llr[j] = static_cast<float>(v ? kLlrLimit : -kLlrLimit);
    }
    r.diff_sum = r.diff_sq = 0.0;
}

// The work of one search point at time t.
template <class T>
void search_tick(RobustCore<T>& r, double t) {
    const BitRead b = read_bit(r, t);
    SyncPeak peak;
    const bool found = soft_sync_push(r.sync, b.llr, t, r.tick_step, peak);
    if (r.in_frame) return;
    tone_balance_update(r.balance, b.r_one, b.r_zero, b.llr > 0.0 ? 1 : 0, kSearchRate);
    if (found) start_frame(r, peak);
}

// The work of one frame bit, ending at r.clock.next; true when the frame is
// complete. The clock's timing error comes from the tone difference
// (u1 - u0, see tone_balance.h) half a bit before the bit's end: where two
// different bits meet, that window holds both tones, and the difference
// there is 0 only when the clock is right.
template <class T>
bool frame_bit(RobustCore<T>& r) {
    const double t = r.clock.next;
    const BitRead mid = read_bit(r, t - 0.5 * r.clock.nominal);
    const BitRead b = read_bit(r, t);
    const int bit = b.llr > 0.0 ? 1 : 0;
    r.frame.bits[r.bitpos] = static_cast<unsigned char>(bit);
    r.frame.llr[r.bitpos] = static_cast<float>(b.llr);
    const double d = bit ? b.diff : -b.diff;
    r.diff_sum += d;
    r.diff_sq += d * d;
    tone_balance_update(r.balance, b.r_one, b.r_zero, bit, kFrameRate);
    const double diff = std::clamp(b.diff, -kDiffLimit, kDiffLimit);
    // Differences run +-1 for clean bits: the detector's energy is 1.
    const double late =
        sonde::gardner_late(r.prev_diff, std::clamp(mid.diff, -kDiffLimit, kDiffLimit), diff, 1.0, r.clock.nominal);
    sonde::timing_loop_advance(r.clock, late);
    r.prev_diff = diff;
    if (++r.bitpos < kFrameBits) return false;
    const double count = kFrameBits - kFirstGroupBits;
    const double mean = r.diff_sum / count;
    const double var = r.diff_sq / count - mean * mean;
    r.frame.snr_db = 10.0 * std::log10((mean * mean + 1e-12) / (var + 1e-12));
    r.frame.dc = tone_dc(r.corr);
    r.in_frame = false;
    // The search goes on over the bits of the frame just read; only a peak
    // it began inside the frame is dropped.
    r.sync.armed = false;
    return true;
}

}  // namespace robust

// Everything but the tone source to its start; r.corr already set up, with
// the first point whose window lies wholly inside the input at `first`.
template <class T>
void robust_core_reset(RobustCore<T>& r, double first) {
    r.balance = ToneBalance{};
    soft_sync_reset(r.sync);
    r.clock = sonde::timing_loop_make(r.corr.bit_samples, robust::kClockBandwidth, robust::kClockDamping);
    r.tick_step = r.corr.bit_samples / kSyncPhases;
    r.next_tick = first;
    r.in_frame = false;
    r.bitpos = 0;
}

// The search and frame work due once the tone source has taken its sample
// at time `now`; a frame completed goes to the sink, its sample times
// divided by `per_input` (tone source samples per input sample).
template <class T>
void robust_core_step(RobustCore<T>& r, double now, int per_input, const sonde::FrameSink& sink) {
    if (r.next_tick < now) {
        robust::search_tick(r, r.next_tick);
        r.next_tick += r.tick_step;
    }
    // A frame starts a few bits after its first bit has passed (the
    // search waits to be sure of its peak): the bits catch up here.
    while (r.in_frame && r.clock.next < now) {
        if (!robust::frame_bit(r)) continue;
        const RobustFrame& f = r.frame;
        sink({.kind = sonde::SondeKind::ostrel,
              .count = kFrameBits,
              .hard = f.bits,
              .soft = f.llr,
              .start_sample = static_cast<int64_t>(f.start / per_input),
              .end_sample = static_cast<int64_t>(r.clock.next / per_input),
              .snr_db = f.snr_db,
              .dc = f.dc});
    }
}

}  // namespace sonde::ostrel
