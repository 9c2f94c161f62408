// The sines and cosines of the tone detector's tables with the bits the
// x86-64 reference build computes, so that every platform decides alike
// (tests/ostrel/tone_tables_test.cpp derives each table again).
#pragma once

#include "ostrel/portable_math.h"

namespace sonde::ostrel {

// An angle where the reference C library's sin or cos is not the nearest
// double, and the values it gives there.
struct ReferenceSinCos {
    double x;
    double sin_x;
    double cos_x;
};
constexpr int kReferenceExceptions = 80;
extern const ReferenceSinCos kReferenceSinCos[kReferenceExceptions];

// sin(x) and cos(x) as the reference build's C library gives them for every
// angle the tone detector's tables use: the nearest doubles, except at the
// listed angles.
void sincos_reference(double x, double& s, double& c);

}  // namespace sonde::ostrel
