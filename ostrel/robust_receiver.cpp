#include "ostrel/robust_receiver.h"

namespace sonde::ostrel {

namespace {
constexpr int kLimiterRate = 32000;  // the limiter's rate at least
}  // namespace

bool receiver_init(RobustReceiver& r, double rate) {
    if (!(rate >= kRobustMinRate && rate <= kRobustMaxRate)) {
        r.upsample = 0;
        return false;
    }
    const auto sample_rate = static_cast<int>(rate);
    r.upsample = (kLimiterRate + sample_rate - 1) / sample_rate;  // at least 1
    r.last_input = 0.0;
    tone_correlators_init(r.corr, static_cast<double>(sample_rate) * r.upsample);
    // The first point whose window lies wholly inside the input.
    robust_core_reset(r, r.corr.window);
    return true;
}

void receiver_feed(RobustReceiver& r, const float* samples, std::size_t n, const sonde::FrameSink& sink) {
    // One point of the limiter's rate.
    auto point = [&](double v) {
        tone_correlators_add(r.corr, v);
        robust_core_step(r, static_cast<double>(r.corr.taken - 1), r.upsample, sink);
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
