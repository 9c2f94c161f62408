// A velocity given as east, north and up components, turned into horizontal
// speed, course (degrees clockwise from north, 0 <= course < 360) and
// vertical speed, in the units of the components.
#pragma once

namespace sonde {

struct GroundVelocity {
    double speed_h = 0.0;
    double course = 0.0;
    double speed_v = 0.0;
};

GroundVelocity ground_velocity(double east, double north, double up);

}  // namespace sonde
