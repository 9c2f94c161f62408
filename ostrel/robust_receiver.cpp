#include "ostrel/robust_receiver.h"

#include <algorithm>
#include <cmath>

#include "dsp/soft_sync.h"

namespace sonde::ostrel {

namespace {
constexpr double kSearchRate = 1.0 / 64;  // level tracking per search point
constexpr double kSyncRate = 1.0 / 16;    // per known bit of a found start
constexpr double kFrameRate = 1.0 / 32;   // per decided frame bit
constexpr int kFirstGroupBits = 10;
constexpr int kLimiterRate = 32000;  // the limiter's rate at least
// Clock loop noise bandwidth (fraction of the bit rate) and damping.
constexpr double kClockBandwidth = 0.01;
constexpr double kClockDamping = 1.0;
// Tone differences beyond a clean bit's (a noise burst) count as a clean bit's.
constexpr double kDiffLimit = 1.5;

struct BitRead {
    double r_one, r_zero, llr, diff;
};

BitRead read_bit(const RobustReceiver& r, double t) {
    const ToneLevelsAt m = tone_magnitudes(tone_sums_at(r.corr, t));
    const double diff = tone_difference(r.balance, m.one, m.zero);
    return {m.one, m.zero, tone_llr_of_difference(r.balance, diff), diff};
}

// Correlation of the pattern with the (unclipped) tone differences, its
// last bit ending at t. Unlike the clipped search score it does not level
// off on a strong signal, so its peak marks the pattern's end.
double pattern_match(const RobustReceiver& r, double t) {
    double sum = 0.0;
    for (int j = 0; j < kSyncPatternBits; j++) {
        const double d = read_bit(r, t - (kSyncPatternBits - 1 - j) * r.corr.bit_samples).diff;
        sum += kSyncPatternBitsValues[j] ? d : -d;
    }
    return sum;
}

// The end of the pattern to a fraction of a search step: the best of a fine
// grid around the search's peak, refined by a parabola.
double refine_peak(const RobustReceiver& r, double t) {
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

void start_frame(RobustReceiver& r, SyncPeak peak) {
    const double period = r.corr.bit_samples;
    peak.time = refine_peak(r, peak.time);
    // The pattern's bits are known: they set both tones' levels.
    for (int j = 0; j < kSyncPatternBits; j++) {
        const double t = peak.time - (kSyncPatternBits - 1 - j) * period;
        const BitRead b = read_bit(r, t);
        tone_balance_update(r.balance, b.r_one, b.r_zero, kSyncPatternBitsValues[j], kSyncRate);
    }
    r.clock = sonde::timing_loop_make(period, kClockBandwidth, kClockDamping);
    r.clock.next = peak.time + period;
    r.prev_diff = std::clamp(read_bit(r, peak.time).diff, -kDiffLimit, kDiffLimit);
    r.in_frame = true;
    r.bitpos = kFirstGroupBits;
    r.frame.start = peak.time - (kFirstGroupBits - 1) * period;
    for (int j = 0; j < kFirstGroupBits; j++) {
        const unsigned char v = kSyncPatternBitsValues[kSyncPatternBits - kFirstGroupBits + j];
        r.frame.bits[j] = v;
        r.frame.llr[j] = static_cast<float>(v ? kLlrLimit : -kLlrLimit);
    }
    r.diff_sum = r.diff_sq = 0.0;
}
}  // namespace

bool receiver_init(RobustReceiver& r, double rate) {
    if (!(rate >= kRobustMinRate && rate <= kRobustMaxRate)) {
        r.upsample = 0;
        return false;
    }
    const auto sample_rate = static_cast<int>(rate);
    r.upsample = (kLimiterRate + sample_rate - 1) / sample_rate;
    if (r.upsample < 1) r.upsample = 1;
    r.last_input = 0.0;
    tone_correlators_init(r.corr, static_cast<double>(sample_rate) * r.upsample);
    r.balance = ToneBalance{};
    soft_sync_reset(r.sync);
    r.clock = sonde::timing_loop_make(r.corr.bit_samples, kClockBandwidth, kClockDamping);
    r.tick_step = r.corr.bit_samples / kSyncPhases;
    // The first point whose window lies wholly inside the input.
    r.next_tick = r.corr.window;
    r.in_frame = false;
    r.bitpos = 0;
    return true;
}

namespace {
// The work of one search point at time t.
void search_tick(RobustReceiver& r, double t) {
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
bool frame_bit(RobustReceiver& r) {
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
    if (++r.bitpos < kRobustFrameBits) return false;
    const double count = kRobustFrameBits - kFirstGroupBits;
    const double mean = r.diff_sum / count;
    const double var = r.diff_sq / count - mean * mean;
    r.frame.snr_db = 10.0 * std::log10((mean * mean + 1e-12) / (var + 1e-12));
    r.frame.dc = r.corr.dc.level;
    r.in_frame = false;
    // The search goes on over the bits of the frame just read; only a peak
    // it began inside the frame is dropped.
    r.sync.armed = false;
    return true;
}

}  // namespace

void receiver_feed(RobustReceiver& r, const float* samples, std::size_t n, const sonde::FrameSink& sink) {
    // One point of the limiter's rate.
    auto point = [&](double v) {
        tone_correlators_add(r.corr, v);
        const auto now = static_cast<double>(r.corr.taken - 1);
        if (r.next_tick < now) {
            search_tick(r, r.next_tick);
            r.next_tick += r.tick_step;
        }
        // A frame starts a few bits after its first bit has passed (the
        // search waits to be sure of its peak): the bits catch up here.
        while (r.in_frame && r.clock.next < now) {
            if (!frame_bit(r)) continue;
            const RobustFrame& f = r.frame;
            sink({.kind = sonde::SondeKind::ostrel,
                  .count = kRobustFrameBits,
                  .hard = f.bits,
                  .soft = f.llr,
                  .start_sample = static_cast<int64_t>(f.start / r.upsample),
                  .end_sample = static_cast<int64_t>(r.clock.next / r.upsample),
                  .snr_db = f.snr_db,
                  .dc = f.dc});
        }
    };
    for (std::size_t i = 0; i < n; i++) {
        const double x = sonde::full_scale_sample(samples[i]);
        const double d = x - r.last_input;
        // At one point per sample the step times 1 / 1 is the step itself:
        // the same value without the division.
        if (r.upsample == 1)
            point(r.last_input + d);
        else
            for (int k = 1; k <= r.upsample; k++) point(r.last_input + d * k / r.upsample);
        r.last_input = x;
    }
}

}  // namespace sonde::ostrel
