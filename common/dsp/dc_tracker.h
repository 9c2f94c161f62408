// Offset tracker: a receiver tuned off the carrier delivers its audio on a
// DC level that moves as the transmitter drifts. An alpha-beta tracker
// (level and slope) follows a linear drift without a standing error. An
// observation is the caller's: a biphase symbol's mean, or the residual of
// a decided level for line codes that are not DC-free.
#pragma once

namespace sonde {

struct DcTracker {
    double alpha = 0.02;  // level gain per observation
    double beta = 0.0;    // slope gain per observation
    double level = 0.0;   // estimate after the last observation
    double slope = 0.0;   // change of the level per observation
    long long seen = 0;   // observations so far
    // Observations averaged plainly at the start: those n with 1 / n > alpha
    // (49 for the default alpha), set once so that no later observation
    // pays a division to find out.
    long long plain = 49;
};

// A tracker that settles over about `time_constant` observations
// (alpha = 1 / time_constant; beta = alpha^2 / (2 - alpha), which keeps the
// two-state loop free of overshoot for small alpha).
DcTracker dc_tracker_make(double time_constant);

// Takes one observation and returns the level after it. The first
// time_constant are averaged plainly, so the tracker starts on the right
// level instead of creeping up to it. Inline: called per sample or per bit,
// and out of line the receivers' state would leave registers.
inline double dc_tracker_update(DcTracker& t, double observation) {
    t.seen++;
    const double predicted = t.level + t.slope;
    const double err = observation - predicted;
    // Start-up: a plain running mean while it is the better estimate.
    if (t.seen <= t.plain) return t.level = predicted + 1.0 / static_cast<double>(t.seen) * err;
    t.slope += t.beta * err;
    return t.level = predicted + t.alpha * err;
}

}  // namespace sonde
