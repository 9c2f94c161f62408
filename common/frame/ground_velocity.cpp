#include "ground_velocity.h"

#include <cmath>

namespace sonde {

GroundVelocity ground_velocity(double east, double north, double up) {
    GroundVelocity v;
    v.speed_h = std::sqrt(east * east + north * north);
    // Multiplied before dividing: the printed course depends on the order.
    v.course = std::atan2(east, north) * 180.0 / 3.141592653589793;
    if (v.course < 0.0) v.course += 360.0;
    v.speed_v = up;
    return v;
}

}  // namespace sonde
