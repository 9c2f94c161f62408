#include "vardo/position_filter.h"

#include <cmath>

namespace sonde::vardo {

namespace {
// Whole degrees of difference, truncated toward zero, above 2.
bool jumped(double now, float ref) { return std::fabs(std::trunc(now - static_cast<double>(ref))) > 2.0; }
}  // namespace

bool position_filter_jump(PositionFilter& f, double latitude, double longitude) {
    if (f.lat == 0.0f && f.lon == 0.0f) {
        f.lat = static_cast<float>(latitude);
        f.lon = static_cast<float>(longitude);
        f.latb = f.lat;
        f.last_lon = f.lon;
    }
    if (jumped(latitude, f.lat) || jumped(longitude, f.lon)) {
        f.lat = f.latb;
        f.lon = f.last_lon;
        return true;
    }
    f.lat = static_cast<float>(latitude);
    f.lon = static_cast<float>(longitude);
    return false;
}

void position_filter_confirm(PositionFilter& f) {
    f.latb = f.lat;
    f.last_lon = f.lon;
}

}  // namespace sonde::vardo
