#include "ostrel/portable_math.h"

#include <cmath>

namespace sonde::ostrel {

namespace {

// Double-double numbers hi + lo, |lo| <= ulp(hi) / 2, and the error-free
// steps they are built from (no fused multiply-add: Dekker's split).
struct Dd {
    double hi = 0.0;
    double lo = 0.0;
};

constexpr Dd two_sum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

constexpr Dd quick_sum(double a, double b) {  // |a| >= |b| or a = 0
    const double s = a + b;
    return {s, b - (s - a)};
}

constexpr Dd two_prod(double a, double b) {
    constexpr double kSplit = 134217729.0;  // 2^27 + 1
    const double p = a * b;
    const double ta = kSplit * a;
    const double ah = ta - (ta - a);
    const double al = a - ah;
    const double tb = kSplit * b;
    const double bh = tb - (tb - b);
    const double bl = b - bh;
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

constexpr Dd neg(Dd a) { return {-a.hi, -a.lo}; }

constexpr Dd add(Dd a, Dd b) {
    Dd s = two_sum(a.hi, b.hi);
    const Dd t = two_sum(a.lo, b.lo);
    s = quick_sum(s.hi, s.lo + t.hi);
    return quick_sum(s.hi, s.lo + t.lo);
}

constexpr Dd mul(Dd a, Dd b) {
    const Dd p = two_prod(a.hi, b.hi);
    return quick_sum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

constexpr Dd div(Dd a, double b) {
    const double q = a.hi / b;
    const Dd p = two_prod(q, b);
    return quick_sum(q, (((a.hi - p.hi) - p.lo) + a.lo) / b);
}

// pi/64 in four pieces, 137 bits in all; the first three have at most 28
// bits, so that j times each is exact for |j| < 2^25.
constexpr double kPiOver64[4] = {0x1.921fb54p-5, 0x1.10b4612p-35, -0x1.676733ap-65, -0x1.d1fc8f8cbb5bfp-94};
constexpr double kSixtyFourOverPi = 0x1.45f306dc9c883p+4;

// x - j pi/64 for |j| < 2^25 as double-double: x - j p0 is exact
// (Sterbenz), the other pieces' products are exact and summed.
constexpr Dd reduce(double x, double j) {
    Dd r = two_sum(x - j * kPiOver64[0], -(j * kPiOver64[1]));
    r = add(r, {-(j * kPiOver64[2]), 0.0});
    return add(r, neg(two_prod(j, kPiOver64[3])));
}

// 1/n! for n < 34.
struct Factorials {
    Dd inv[34];
};

constexpr Factorials make_factorials() {
    Factorials f{};
    f.inv[0] = {1.0, 0.0};
    for (int n = 1; n < 34; n++) f.inv[n] = div(f.inv[n - 1], n);
    return f;
}

constexpr Factorials kFactorials = make_factorials();

// sin r and cos r by their Taylor series to the term in r^(2 terms + 1),
// summed from the small end; 16 terms take |r| <= pi/4 and 8 terms |r| <=
// pi/128 far past the 106 bits of a double-double, and 3 terms |r| < 2^-20.
constexpr void taylor(Dd r, int terms, Dd& s, Dd& c) {
    const Dd r2 = mul(r, r);
    Dd ps = kFactorials.inv[2 * terms + 1];
    Dd pc = kFactorials.inv[2 * terms];
    for (int k = terms - 1; k >= 0; k--) {
        ps = add(kFactorials.inv[2 * k + 1], neg(mul(r2, ps)));
        pc = add(kFactorials.inv[2 * k], neg(mul(r2, pc)));
    }
    s = mul(r, ps);
    c = pc;
}

// sin(i pi/64) for i = 0..127, computed by the compiler.
struct SineTable {
    Dd v[128];
};

constexpr SineTable make_sine_table() {
    SineTable t{};
    for (int i = 0; i <= 16; i++) {
        Dd s, c;
        taylor(neg(reduce(0.0, i)), 16, s, c);
        t.v[i] = s;
        t.v[32 - i] = c;
    }
    for (int i = 33; i <= 64; i++) t.v[i] = t.v[64 - i];
    for (int i = 64; i < 128; i++) t.v[i] = neg(t.v[i - 64]);
    return t;
}

constexpr SineTable kSine = make_sine_table();

// The x86-64 C library's hypot kernel for ax >= ay >= 0, neither square
// over- or underflowing: a rounded square root corrected by one step.
double hypot_kernel(double ax, double ay) {
    double h = std::sqrt(ax * ax + ay * ay);
    double t1, t2;
    if (h <= 2.0 * ay) {
        const double delta = h - ay;
        t1 = ax * (2.0 * delta - ax);
        t2 = (delta - 2.0 * (ax - ay)) * delta;
    } else {
        const double delta = h - ax;
        t1 = 2.0 * delta * (ax - 2.0 * ay);
        t2 = (4.0 * delta - ay) * ay + delta * delta;
    }
    h -= (t1 + t2) / (2.0 * h);
    return h;
}

}  // namespace

void sincos_nearest(double x, double& s, double& c) {
    if (x == 0.0) {  // keeps the sign of a zero
        s = x;
        c = 1.0;
        return;
    }
    // x = j pi/64 + r, |r| <= pi/128: sin x = sin(j pi/64) cos r + cos(j pi/64) sin r.
    const double j = std::floor(x * kSixtyFourOverPi + 0.5);
    const Dd r = reduce(x, j);
    Dd sr, cr;
    taylor(r, std::fabs(r.hi) < 0x1p-20 ? 3 : 8, sr, cr);
    const int q = static_cast<int>(j - 128.0 * std::floor(j / 128.0));
    const Dd& sj = kSine.v[q];
    const Dd& cj = kSine.v[(q + 32) & 127];
    s = add(mul(sj, cr), mul(cj, sr)).hi;
    c = add(mul(cj, cr), neg(mul(sj, sr))).hi;
}

double magnitude(double re, double im) {
    constexpr double kScale = 0x1p-600;
    constexpr double kLarge = 0x1p+511;
    constexpr double kTiny = 0x1p-511;
    constexpr double kEps = 0x1p-54;
    if (!std::isfinite(re) || !std::isfinite(im)) {
        if (std::isinf(re) || std::isinf(im)) return INFINITY;
        return re + im;
    }
    const double x = std::fabs(re);
    const double y = std::fabs(im);
    const double ax = x < y ? y : x;
    const double ay = x < y ? x : y;
    if (ax > kLarge) {
        if (ay <= ax * kEps) return ax + ay;
        return hypot_kernel(ax * kScale, ay * kScale) / kScale;
    }
    if (ay < kTiny) {
        if (ax >= ay / kEps) return ax + ay;
        return hypot_kernel(ax / kScale, ay / kScale) * kScale;
    }
    if (ay <= ax * kEps) return ax + ay;
    return hypot_kernel(ax, ay);
}

}  // namespace sonde::ostrel
