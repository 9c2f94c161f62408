// Plausibility filter: a frame whose position moved 3 degrees or more from
// the reference is taken as bad. After a jump the reference falls back to
// the last position reported good.
#pragma once

namespace sonde::vardo {

struct PositionFilter {
    float lat = 0.0f;  // reference for the next frame
    float lon = 0.0f;
    float latb = 0.0f;  // last position reported good
    float last_lon = 0.0f;
};

// Compares a decoded position with the reference and moves the reference;
// true on a jump.
bool position_filter_jump(PositionFilter& f, double latitude, double longitude);

// The frame is reported good: its position becomes the fall-back.
void position_filter_confirm(PositionFilter& f);

}  // namespace sonde::vardo
