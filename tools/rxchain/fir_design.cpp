#include "fir_design.h"

#include <cmath>
#include <numbers>

namespace rxchain {

using std::numbers::pi;

std::vector<double> lowpass_taps(int n, double cutoff_hz, double fs) {
    std::vector<double> h(static_cast<std::size_t>(n));
    const double fc = cutoff_hz / fs;  // cycles per sample
    const int mid = n / 2;
    double sum = 0.0;
    for (int k = 0; k < n; k++) {
        const int t = k - mid;
        const double sinc = t == 0 ? 2.0 * fc : std::sin(2.0 * pi * fc * t) / (pi * t);
        const double w = n > 1 ? 0.54 - 0.46 * std::cos(2.0 * pi * k / (n - 1)) : 1.0;
        h[static_cast<std::size_t>(k)] = sinc * w;
        sum += h[static_cast<std::size_t>(k)];
    }
    for (double& x : h) x /= sum;
    return h;
}

double noise_bandwidth(const std::vector<double>& h, double fs) {
    double s = 0.0, s2 = 0.0;
    for (double x : h) {
        s += x;
        s2 += x * x;
    }
    return fs * s2 / (s * s);
}

std::vector<double> lowpass_with_noise_bandwidth(int n, double bw_hz, double fs) {
    double lo = 0.0, hi = fs;
    for (int it = 0; it < 200 && hi - lo > 1e-12 * fs; it++) {
        const double mid = 0.5 * (lo + hi);
        if (noise_bandwidth(lowpass_taps(n, 0.5 * mid, fs), fs) < bw_hz)
            lo = mid;
        else
            hi = mid;
    }
    return lowpass_taps(n, 0.25 * (lo + hi), fs);
}

int taps_for_transition(double transition_hz, double fs, int min_taps) {
    int n = static_cast<int>(std::ceil(3.3 * fs / transition_hz));
    if (n < min_taps) n = min_taps;
    return n | 1;
}

}  // namespace rxchain
