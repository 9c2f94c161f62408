#include "ostrel/tone_balance.h"

#include <algorithm>

namespace sonde::ostrel {

namespace {
constexpr double kVarFloor = 1e-3;
constexpr double kVarCeiling = 4.0;

// Normalised value of a magnitude: 1 at the tone's "on" level, 0 at "off".
double tone_normalised(const ToneTrack& t, double r) {
    // A span that collapses (silence, equal levels) must not blow u up.
    const double span = std::max(t.on - t.off, 0.05 * t.on + 1e-12);
    return (r - t.off) / span;
}
}  // namespace

double tone_difference(const ToneBalance& b, double r_one, double r_zero) {
    return tone_normalised(b.one, r_one) - tone_normalised(b.zero, r_zero);
}

double tone_llr_of_difference(const ToneBalance& b, double d) {
    return std::clamp(2.0 * d / b.var, -kLlrLimit, kLlrLimit);
}

void tone_balance_update(ToneBalance& b, double r_one, double r_zero, int bit, double rate) {
    if (!b.started) {
        // Equal levels to begin with: the limiter leaves both tones alike.
        const double level = std::max(std::max(r_one, r_zero), 1e-9);
        b.one.on = b.zero.on = level;
        b.one.off = b.zero.off = 0.15 * level;
        b.started = true;
    }
    // The spread is measured before the levels move, on this very value.
    const double e = tone_difference(b, r_one, r_zero) - (bit ? 1.0 : -1.0);
    b.var = std::clamp(b.var + (std::min(e * e, kVarCeiling) - b.var) * rate, kVarFloor, kVarCeiling);
    ToneTrack& present = bit ? b.one : b.zero;
    ToneTrack& absent = bit ? b.zero : b.one;
    present.on += ((bit ? r_one : r_zero) - present.on) * rate;
    absent.off += ((bit ? r_zero : r_one) - absent.off) * rate;
}

}  // namespace sonde::ostrel
