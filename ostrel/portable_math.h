// Sine, cosine and magnitude with the same bits on every platform. The
// tone detector's decisions hang on the last bits of its twiddles and bin
// magnitudes; C libraries round sin, cos and hypot differently (with or
// without fused multiply-add), so the detector takes them from here:
// - sincos_nearest gives sin and cos rounded to nearest (double-double
//   evaluation, far more accurate than the rounding needs), which is what
//   the x86-64 C library gives for every angle the detector uses (the
//   tests compare all of them);
// - magnitude repeats the x86-64 C library's hypot operation by operation
//   (its variant without fused multiply-add), in plain IEEE arithmetic.
#pragma once

namespace sonde::ostrel {

// A routine giving sin(x) and cos(x), for tables built either way.
using SinCos = void (*)(double x, double& s, double& c);

// sin(x) and cos(x) rounded to nearest, for |x| < 2^20 (larger angles are
// outside what the reduction below is exact for; the detector's stay under
// 1000).
void sincos_nearest(double x, double& s, double& c);

// sqrt(re^2 + im^2), rounded as the x86-64 C library's hypot rounds it.
double magnitude(double re, double im);

}  // namespace sonde::ostrel
