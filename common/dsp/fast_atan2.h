// The discriminator's angle: atan2 to about 1e-5 rad. The FM discriminators
// of the I/Q front end and of the receiver-chain simulator spend most of
// their time here, so it is branch-free and their loops vectorise.
#pragma once

namespace sonde {

inline float fast_atan2(float y, float x) {
    const float ax = x < 0.0f ? -x : x, ay = y < 0.0f ? -y : y;
    const float mx = ax > ay ? ax : ay, mn = ax > ay ? ay : ax;
    const float a = mn / (mx > 0.0f ? mx : 1.0f);
    const float s = a * a;
    float r = ((-0.0464964749f * s + 0.15931422f) * s - 0.327622764f) * s * a + a;
    r = ay > ax ? 1.57079637f - r : r;
    r = x < 0.0f ? 3.14159274f - r : r;
    return y < 0.0f ? -r : r;
}

}  // namespace sonde
