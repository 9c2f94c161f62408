#include "ostrel/tone_detector.h"

#include <cmath>
#include <utility>

#include "ostrel/portable_math.h"

namespace sonde::ostrel {

namespace {
constexpr double kTwoPi = 6.283185307179586;
constexpr double kPi = 3.141592653589793;

// Fractional bin of frequency f in a 128-point transform at this rate.
double freq2bin(int f, int sample_rate) { return static_cast<double>(f << 7) / static_cast<double>(sample_rate); }
}  // namespace

bool set_tone_bins(ToneDetector& d, int sample_rate) {
    d.bin_2200 = freq2bin(2200, sample_rate);
    d.bin_1200 = freq2bin(1200, sample_rate);
    d.bin_tolerance = std::fabs(d.bin_2200 - d.bin_1200) / 2.5;
    // Guard the conversion: a huge bin value (tiny rate) must not overflow int.
    auto nearest = [](double bin) { return bin + 0.5 < 1.0e6 ? static_cast<int>(bin + 0.5) : 1000000; };
    d.idx_2200 = nearest(d.bin_2200);
    d.idx_1200 = nearest(d.bin_1200);
    return tone_method_fits(d, ToneMethod::two_bins);
}

bool tone_method_fits(const ToneDetector& d, ToneMethod method) {
    if (method != ToneMethod::two_bins) return true;  // the others read fixed bins
    return d.idx_2200 >= 0 && d.idx_2200 <= kMaxSingleBin && d.idx_1200 >= 0 && d.idx_1200 <= kMaxSingleBin;
}

void init_dft(ToneDetector& d, SinCos sincos) {
    // The window (1 - cos(2 pi n / 79)) / 2, zero from n = 79 on; its
    // cosines are the nearest doubles, as the reference C library's are.
    for (int n = 0; n < kDftSize; n++) {
        double s, c;
        sincos_reference((n * kTwoPi) / 79.0, s, c);
        d.Hann[n] = n < kHannLength ? (1.0 - c) * 0.5 : 0.0;
    }
    for (int n = 0; n < kDftSize; n++) d.xn[n] = 0.0;
    for (int k = 0; k < kDftSize; k++) d.Z[k] = 0.0;

    for (int k = 0; k < kDftSize; k++) {
        const double w = (k * -kTwoPi) / 128.0;
        for (int n = 0; n < kDftSize; n++) {
            // e^{i n w}. Several (k, n) share k*n; the last one written
            // stays, as the values agree to within the last bits.
            double s, c;
            sincos(n * w, s, c);
            d.ew[k * n] = cplx(c, s);
        }
    }
    for (int l = 0; l < 7; l++) {
        double s, c;
        sincos(-kPi / (1 << l), s, c);
        d.fft_turn[l] = cplx(c, s);
    }
}

void window_span(ToneDetector& d, const double* window) {
    for (int n = 0; n < kDftSize; n++) d.xn[n] = d.Hann[n] * window[n];
}

// The sums below stop at kHannLength. From there on xn[n] = 0 * sample is a
// zero of either sign, so each skipped term xn[n] * ew is a signed zero as
// well; adding it leaves a non-zero sum unchanged and can at most flip the
// sign of a zero sum, which no magnitude can see. The decisions are thus
// exactly those of the full 128-term sums.
namespace {
// Bin k of the current window: both accumulators in ascending n.
cplx bin_sum(const ToneDetector& d, int k) {
    double re = 0.0;
    double im = 0.0;
    for (int n = 0; n < kHannLength; n++) {
        const cplx& e = d.ew[k * n];
        re += d.xn[n] * e.real();
        im += d.xn[n] * e.imag();
    }
    return cplx(re, im);
}
}  // namespace

double dft_k(const ToneDetector& d, int k) {
    const cplx z = bin_sum(d, k);
    return magnitude(z.real(), z.imag());
}

void dft(ToneDetector& d) {
    for (int k = 0; k < kDirectBins; k++) d.Z[k] = bin_sum(d, k);
}

void dft2(ToneDetector& d) {
    cplx* Z = d.Z;
    for (int n = 0; n < kDftSize; n++) Z[n] = cplx(d.xn[n], 0.0);

    // Bit reversal on 1-based positions: position p is Z[p - 1].
    int j = 1;
    for (int i = 1; i < kDftSize; i++) {
        if (i < j) std::swap(Z[i - 1], Z[j - 1]);
        int m = kDftSize / 2;
        while (m >= 1 && m < j) {
            j -= m;
            m /= 2;
        }
        j += m;
    }

    for (int l = 0; l < 7; l++) {
        const int half = 1 << l;
        const int span = 2 * half;
        const cplx f = d.fft_turn[l];
        cplx u(1.0, 0.0);
        for (int jj = 1; jj <= half; jj++) {
            for (int i = jj; i <= kDftSize; i += span) {
                const int p = i + half;
                const cplx t = u * Z[p - 1];
                Z[p - 1] = Z[i - 1] - t;
                Z[i - 1] = Z[i - 1] + t;
            }
            u = u * f;
        }
    }
}

int max_bin(const ToneDetector& d) {
    double best = 0.0;
    int index = 0;
    for (int k = 0; k < kSearchedBins; k++) {
        const double m = magnitude(d.Z[k].real(), d.Z[k].imag());
        if (best < m) {
            best = m;
            index = k;
        }
    }
    return index;
}

int tone_from_peak(const ToneDetector& d, int peak, int tone_bit) {
    const double k = peak;
    if (d.bin_2200 - d.bin_tolerance < k && k < d.bin_2200 + d.bin_tolerance) return 0;
    if (d.bin_1200 - d.bin_tolerance < k && k < d.bin_1200 + d.bin_tolerance) return 1;
    return tone_bit;
}

void tone_decision(ToneDetector& d, ToneMethod method, int& tone_bit) {
    if (method == ToneMethod::two_bins) {
        const double m0 = dft_k(d, d.idx_2200);
        const double m1 = dft_k(d, d.idx_1200);
        tone_bit = m0 > m1 ? 0 : 1;
        return;
    }
    if (method == ToneMethod::fft)
        dft2(d);
    else
        dft(d);
    tone_bit = tone_from_peak(d, max_bin(d), tone_bit);
}

}  // namespace sonde::ostrel
