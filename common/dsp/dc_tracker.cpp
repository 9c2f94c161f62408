#include "dc_tracker.h"

#include <limits>

namespace sonde {

DcTracker dc_tracker_make(double time_constant) {
    DcTracker t;
    t.alpha = time_constant > 1.0 ? 1.0 / time_constant : 1.0;
    t.beta = t.alpha * t.alpha / (2.0 - t.alpha);
    // 1 / n falls as n grows: start near 1 / alpha and step to the last n
    // whose plain weight still exceeds alpha. A time constant beyond 2^53
    // observations keeps the plain mean throughout.
    const double inv = 1.0 / t.alpha;
    if (!(inv < 0x1p53)) {
        t.plain = std::numeric_limits<long long>::max();
        return t;
    }
    long long n = static_cast<long long>(inv);
    while (n > 0 && !(1.0 / static_cast<double>(n) > t.alpha)) n--;
    while (1.0 / static_cast<double>(n + 1) > t.alpha) n++;
    t.plain = n;
    return t;
}

}  // namespace sonde
