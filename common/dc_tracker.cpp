#include "dc_tracker.h"

namespace sonde {

DcTracker dc_tracker_make(double time_constant) {
    DcTracker t;
    t.alpha = time_constant > 1.0 ? 1.0 / time_constant : 1.0;
    t.beta = t.alpha * t.alpha / (2.0 - t.alpha);
    return t;
}

double dc_tracker_update(DcTracker& t, double observation) {
    t.seen++;
    const double predicted = t.level + t.slope;
    const double err = observation - predicted;
    // Start-up: a plain running mean while it is the better estimate.
    const double start = 1.0 / static_cast<double>(t.seen);
    if (start > t.alpha) {
        t.level = predicted + start * err;
        return t.level;
    }
    t.level = predicted + t.alpha * err;
    t.slope += t.beta * err;
    return t.level;
}

}  // namespace sonde
