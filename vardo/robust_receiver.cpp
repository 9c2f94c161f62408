#include "vardo/robust_receiver.h"

#include <cmath>
#include <numbers>

#include "vardo/decoder.h"

namespace sonde::vardo {

namespace {

constexpr double kDamping = 0.707;
constexpr double kEnergyAlpha = 1.0 / 64.0;
// A decision looks at the ticks of two channel bits after its first hit
// (a timing half a bit off can pass the normalised threshold early), and
// at the tick after the best one; it never waits longer than four bits.
constexpr int64_t kDecideWindow = 2 * kRobustPhases;
constexpr int64_t kDecideLongest = 4 * kRobustPhases;

double channel_len(const RobustReceiver& r) { return r.loop.period; }

// The search and the frame each need samples up to a bit past their next
// boundary; the earlier of the two runs first.
bool frame_due_first(const RobustReceiver& r) { return r.in_frame && r.loop.next <= r.tick; }

void set_ready(RobustReceiver& r) {
    const double b = frame_due_first(r) ? r.loop.next : r.tick;
    r.ready = b + channel_len(r) + 2.0;
}

// True while a new sync hit may start a frame.
bool searching(const RobustReceiver& r) { return !r.in_frame || r.frame.type < 0; }

float corr_at(const RobustReceiver& r, int64_t tick) { return r.corr_ring[tick & 15]; }

void start_frame(RobustReceiver& r) {
    const double t = channel_len(r);
    // Refine between the neighbouring phases: the correlation around its
    // peak is a triangle in the timing offset.
    const float c0 = r.best_corr;
    const auto pol = static_cast<float>(r.best_pol);
    const double d =
        sonde::triangle_peak_offset(pol * corr_at(r, r.best_tick - 1), c0, pol * corr_at(r, r.best_tick + 1));
    r.first_tick = -1;
    r.best_tick = -1;
    if (r.in_frame && c0 <= r.frame_corr) return;  // the frame under way started better
    r.in_frame = true;
    r.frame_corr = c0;
    r.pol = r.best_pol;
    r.halves = 0;
    r.frame.symbols = 0;
    r.frame.type = -1;
    r.loop.next = r.best_start + d * t / kRobustPhases + t;
    r.frame.start = r.loop.next;
    const double a = static_cast<double>(c0) / r.sync[0].len;
    r.energy = a * a;
}

void finish_frame(RobustReceiver& r, const sonde::FrameSink& sink) {
    RobustSoftFrame& f = r.frame;
    double m = 0.0, q = 0.0;
    for (int j = 0; j < f.symbols; j++) {
        m += std::fabs(f.sym[j]);
        q += static_cast<double>(f.sym[j]) * f.sym[j];
        f.hard[j] = f.sym[j] > 0.0f ? 1 : 0;
    }
    m /= f.symbols;
    const double var = q / f.symbols - m * m;
    f.rawbits[2 * f.symbols] = '\0';
    sink({.kind = sonde::SondeKind::vardo,
          .type = f.type,
          .count = f.symbols,
          .hard = f.hard,
          .soft = f.sym,
          .raw = f.rawbits,
          .start_sample = static_cast<int64_t>(f.start),
          .end_sample = static_cast<int64_t>(r.loop.next),
          .snr_db = var > 0.0 ? static_cast<float>(10.0 * std::log10(m * m / var)) : 99.0f,
          .dc = static_cast<float>(r.dc.level)});
}

// One DC-free channel-bit value c inside a frame; false when the frame ends.
bool collect(RobustReceiver& r, float c, const sonde::FrameSink& sink) {
    RobustSoftFrame& f = r.frame;
    const float v = static_cast<float>(r.pol) * c;
    f.rawbits[2 * f.symbols + (r.halves & 1)] = v > 0.0f ? '1' : '0';
    if ((r.halves++ & 1) == 0) {
        r.first_half = v;
        return true;
    }
    f.sym[f.symbols++] = r.first_half - v;
    if (f.symbols == kRobustTypeSymbols) {
        f.type = robust_frame_type(f.sym, r.tune.type_errors);
        return f.type >= 0;
    }
    if (f.type >= 0 && f.symbols == 8 * kRobustTypes[f.type].len) {
        finish_frame(r, sink);
        return false;
    }
    return true;
}

// The channel bit that starts at the loop's boundary, inside a frame.
void frame_bit(RobustReceiver& r, const sonde::FrameSink& sink) {
    const double b = r.loop.next;
    const double t = channel_len(r);
    const double dct = r.dc.level * t;
    // Running sums at the five points the three integrals start and end on.
    const double s_b = sonde::integrator_at(r.integ, b);
    const double before = (s_b - sonde::integrator_at(r.integ, b - t)) - dct;
    const double mid = (sonde::integrator_at(r.integ, b + 0.5 * t) - sonde::integrator_at(r.integ, b - 0.5 * t)) - dct;
    const double after = (sonde::integrator_at(r.integ, b + t) - s_b) - dct;
    double late = sonde::gardner_late(before, mid, after, r.energy, t);
    if (late > 0.5 * t) late = 0.5 * t;
    if (late < -0.5 * t) late = -0.5 * t;
    sonde::timing_loop_advance(r.loop, late);
    r.energy += kEnergyAlpha * (after * after - r.energy);
    // A click adds a whole cycle of phase to one bit: values are clipped at
    // the bits' RMS, so no single bit outweighs its symbol's other half.
    const double lim = r.tune.bit_clip * std::sqrt(r.energy);
    const double v = after > lim ? lim : (after < -lim ? -lim : after);
    if (!collect(r, static_cast<float>(v), sink)) r.in_frame = false;
}

// One search tick: the channel bit of this tick's phase that ends here.
void search_tick(RobustReceiver& r) {
    const double b = r.tick;
    const double t = channel_len(r);
    const double raw = sonde::integrator_span(r.integ, b, b + t);
    const int64_t k = r.ticks++;
    // Ticks count up from 0: the unsigned remainder is a mask.
    const auto phase = static_cast<uint64_t>(k) % kRobustPhases;
    if (phase == 0) {
        sonde::dc_tracker_update(r.dc, raw / t);
    }
    const float c = static_cast<float>(raw - r.dc.level * t);
    sonde::SoftSync& sync = r.sync[phase];
    float score = 0.0f, plain = 0.0f;
    const int hit = sonde::soft_sync_push(sync, c, &score, &plain);
    // Near the word (score computed) the plain correlation is kept too.
    const float corr = score != 0.0f ? plain : 0.0f;
    r.corr_ring[k & 15] = corr;
    if (hit != 0 && searching(r)) {
        if (r.first_tick < 0) r.first_tick = k;
        const float own = static_cast<float>(hit) * corr;
        if (r.best_tick < 0 || own > r.best_corr) {
            r.best_tick = k;
            r.best_corr = own;
            r.best_pol = hit;
            r.best_start = b;
        }
    }
    r.tick += t / kRobustPhases;
    if (r.first_tick >= 0 &&
        ((k - r.first_tick >= kDecideWindow && k > r.best_tick) || k - r.first_tick >= kDecideLongest)) {
        start_frame(r);
    }
}

}  // namespace

bool receiver_init(RobustReceiver& r, double sample_rate, const RobustTuning& tune) {
    const double spb = static_cast<double>(static_cast<float>(sample_rate) / tune.bit_rate);
    r.usable = spb >= 1.0 && spb <= sonde::kIntegratorSpan / 8;
    const double samples_per_bit = r.usable ? spb : 5.0;
    r.tune = tune;
    r.integ = sonde::Integrator{};
    r.loop = sonde::timing_loop_make(samples_per_bit, tune.track_bn, kDamping);
    r.dc = sonde::dc_tracker_make(tune.dc_time);
    for (sonde::SoftSync& s : r.sync) sonde::soft_sync_init(s, kVardoSyncWord, tune.sync_threshold);
    r.energy = 0.0;
    r.lp_gain = tune.lowpass > 0.0
                    ? static_cast<float>(1.0 - std::exp(-2.0 * std::numbers::pi * tune.lowpass / samples_per_bit))
                    : 1.0f;
    r.lp_state = 0.0f;
    r.ticks = 0;
    r.tick = 1.0;
    r.in_frame = false;
    r.first_tick = -1;
    r.best_tick = -1;
    set_ready(r);
    return r.usable;
}

void receiver_feed(RobustReceiver& r, const float* x, std::size_t n, const sonde::FrameSink& sink) {
    if (!r.usable) return;
    for (std::size_t i = 0; i < n; i++) {
        r.lp_state += r.lp_gain * (sonde::full_scale_sample(x[i]) - r.lp_state);
        sonde::integrator_push(r.integ, r.lp_state);
        while (sonde::integrator_end(r.integ) >= r.ready) {
            if (frame_due_first(r))
                frame_bit(r, sink);
            else
                search_tick(r);
            set_ready(r);
        }
    }
}

}  // namespace sonde::vardo
