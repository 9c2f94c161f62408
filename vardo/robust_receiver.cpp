#include "vardo/robust_receiver.h"

#include <cmath>

#include "vardo/vardo_decoder.h"

namespace vardo {

namespace {

constexpr double kDamping = 0.707;
constexpr double kEnergyAlpha = 1.0 / 64.0;

void set_ready(RobustReceiver& r) { r.ready = r.loop.next + r.loop.period + 2.0; }

void start_frame(RobustReceiver& r, int pol, float score) {
    r.collecting = true;
    r.pol = pol;
    r.sync_score = score;
    r.halves = 0;
    r.frame.symbols = 0;
    r.frame.type = -1;
    common::timing_loop_set_bandwidth(r.loop, r.tune.track_bn, kDamping);
}

void stop_frame(RobustReceiver& r) {
    r.collecting = false;
    common::timing_loop_set_bandwidth(r.loop, r.tune.search_bn, kDamping);
}

void finish_frame(RobustReceiver& r, RobustFrameSink sink, void* ctx) {
    RobustSoftFrame& f = r.frame;
    double m = 0.0, q = 0.0;
    for (int j = 0; j < f.symbols; j++) {
        m += std::fabs(f.sym[j]);
        q += static_cast<double>(f.sym[j]) * f.sym[j];
    }
    m /= f.symbols;
    const double var = q / f.symbols - m * m;
    f.snr_db = var > 0.0 ? static_cast<float>(10.0 * std::log10(m * m / var)) : 99.0f;
    f.dc = static_cast<float>(r.dc.level);
    f.rawbits[2 * f.symbols] = '\0';
    stop_frame(r);
    sink(ctx, f);
}

// One DC-free channel-bit value c inside a frame.
void collect(RobustReceiver& r, float c, RobustFrameSink sink, void* ctx) {
    RobustSoftFrame& f = r.frame;
    const float v = static_cast<float>(r.pol) * c;
    f.rawbits[2 * f.symbols + (r.halves & 1)] = v > 0.0f ? '1' : '0';
    if ((r.halves++ & 1) == 0) {
        r.first_half = v;
        return;
    }
    f.sym[f.symbols++] = r.first_half - v;
    if (f.symbols == kRobustTypeSymbols) {
        f.type = robust_frame_type(f.sym, r.tune.type_errors);
        if (f.type < 0) stop_frame(r);
    } else if (f.type >= 0 && f.symbols == 8 * kRobustTypes[f.type].len) {
        finish_frame(r, sink, ctx);
    }
}

// The channel bit that starts at the loop's boundary.
void channel_bit(RobustReceiver& r, RobustFrameSink sink, void* ctx) {
    const double b = r.loop.next;
    const double t = r.loop.period;
    const double dct = r.dc.level * t;
    const double before = common::integrator_span(r.integ, b - t, b) - dct;
    const double mid = common::integrator_span(r.integ, b - 0.5 * t, b + 0.5 * t) - dct;
    const double raw = common::integrator_span(r.integ, b, b + t);
    const double after = raw - dct;
    double late = common::gardner_late(before, mid, after, r.energy, t);
    if (late > 0.5 * t) late = 0.5 * t;
    if (late < -0.5 * t) late = -0.5 * t;
    common::timing_loop_advance(r.loop, late);
    set_ready(r);
    r.energy += kEnergyAlpha * (after * after - r.energy);
    common::dc_tracker_update(r.dc, raw / t);

    const float c = static_cast<float>(after);
    float score = 0.0f;
    const int hit = common::soft_sync_push(r.sync, c, &score);
    if (r.collecting) {
        // Until the type bytes are in, a better sync hit takes over.
        if (hit != 0 && r.frame.type < 0 && r.frame.symbols < kRobustTypeSymbols && std::fabs(score) > r.sync_score)
            start_frame(r, hit, std::fabs(score));
        else
            collect(r, c, sink, ctx);
    } else if (hit != 0) {
        start_frame(r, hit, std::fabs(score));
    }
}

}  // namespace

void robust_receiver_init(RobustReceiver& r, double samples_per_bit, const RobustTuning& tune) {
    r.tune = tune;
    r.integ = common::Integrator{};
    r.loop = common::timing_loop_make(samples_per_bit, tune.search_bn, kDamping);
    r.loop.next = samples_per_bit + 1.0;
    r.dc = common::dc_tracker_make(tune.dc_time);
    common::soft_sync_init(r.sync, kVardoSyncWord, tune.sync_threshold);
    r.energy = 0.0;
    r.collecting = false;
    set_ready(r);
}

void robust_receiver_feed(RobustReceiver& r, const float* x, int n, RobustFrameSink sink, void* ctx) {
    for (int i = 0; i < n; i++) {
        common::integrator_push(r.integ, x[i]);
        while (static_cast<double>(r.integ.count) >= r.ready) channel_bit(r, sink, ctx);
    }
}

}  // namespace vardo
