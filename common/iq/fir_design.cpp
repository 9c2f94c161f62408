#include "iq/fir_design.h"

#include <algorithm>
#include <cmath>

namespace sonde::iq {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Modified Bessel function of the first kind, order 0, by its series.
double bessel_i0(double x) {
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 60; k++) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
        if (term < 1e-17 * sum) break;
    }
    return sum;
}

double kaiser_beta(double atten_db) {
    if (atten_db > 50.0) return 0.1102 * (atten_db - 8.7);
    if (atten_db >= 21.0) return 0.5842 * std::pow(atten_db - 21.0, 0.4) + 0.07886 * (atten_db - 21.0);
    return 0.0;
}

}  // namespace

int kaiser_taps(double transition_hz, double rate_hz, double atten_db) {
    const double dw = 2.0 * kPi * transition_hz / rate_hz;
    int n = static_cast<int>(std::ceil((atten_db - 7.95) / (2.285 * dw))) + 1;
    n = std::max(n, 3);
    return n | 1;
}

std::vector<double> kaiser_lowpass(int n, double cutoff_hz, double rate_hz, double atten_db) {
    std::vector<double> h(static_cast<std::size_t>(n));
    const double beta = kaiser_beta(atten_db);
    const double fc = cutoff_hz / rate_hz;
    const double mid = 0.5 * (n - 1);
    const double norm = bessel_i0(beta);
    double sum = 0.0;
    for (int i = 0; i < n; i++) {
        const double t = i - mid;
        const double sinc = t == 0.0 ? 2.0 * fc : std::sin(2.0 * kPi * fc * t) / (kPi * t);
        const double r = mid > 0.0 ? t / mid : 0.0;
        const double w = bessel_i0(beta * std::sqrt(std::max(0.0, 1.0 - r * r))) / norm;
        h[static_cast<std::size_t>(i)] = sinc * w;
        sum += sinc * w;
    }
    for (double& v : h) v /= sum;
    return h;
}

std::vector<double> kaiser_bank(int phases, int taps, double cutoff_rel, double atten_db) {
    std::vector<double> bank(static_cast<std::size_t>(phases) * static_cast<std::size_t>(taps));
    const double beta = kaiser_beta(atten_db);
    const double norm = bessel_i0(beta);
    const double half = 0.5 * taps;
    for (int p = 0; p < phases; p++) {
        double* row = bank.data() + static_cast<std::size_t>(p) * static_cast<std::size_t>(taps);
        double sum = 0.0;
        for (int q = 0; q < taps; q++) {
            const double t = half - 1.0 + static_cast<double>(p) / phases - q;
            const double x = 2.0 * kPi * cutoff_rel * t;
            const double sinc = t == 0.0 ? 2.0 * cutoff_rel : std::sin(x) / (kPi * t);
            const double r = t / half;
            const double w = std::fabs(r) < 1.0 ? bessel_i0(beta * std::sqrt(1.0 - r * r)) / norm : 0.0;
            row[q] = sinc * w;
            sum += row[q];
        }
        for (int q = 0; q < taps; q++) row[q] /= sum;
    }
    return bank;
}

double noise_bandwidth(const std::vector<double>& h, double rate_hz) {
    double s = 0.0, s2 = 0.0;
    for (double v : h) {
        s += v;
        s2 += v * v;
    }
    return s == 0.0 ? 0.0 : rate_hz * s2 / (s * s);
}

}  // namespace sonde::iq
