#include "iq_analysis.h"

#include <fftw3.h>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {
constexpr double kPi = 3.14159265358979323846;
}

Iq iq_decode(const std::string& format, const std::string& bytes) {
    Iq x;
    x.reserve(bytes.size() / 2);
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    auto s16 = [&](std::size_t p) { return static_cast<int16_t>(b[p] | b[p + 1] << 8) / 32768.0; };
    if (format == "u8" || format == "s8") {
        for (std::size_t p = 0; p + 1 < bytes.size(); p += 2) {
            if (format == "u8")
                x.emplace_back((b[p] - 127.5) / 128.0, (b[p + 1] - 127.5) / 128.0);
            else
                x.emplace_back(static_cast<int8_t>(b[p]) / 128.0, static_cast<int8_t>(b[p + 1]) / 128.0);
        }
    } else if (format == "s16le" || format == "wav") {
        for (std::size_t p = format == "wav" ? 44 : 0; p + 3 < bytes.size(); p += 4) x.emplace_back(s16(p), s16(p + 2));
    } else if (format == "f32le") {
        for (std::size_t p = 0; p + 7 < bytes.size(); p += 8) {
            float v[2];
            for (int k = 0; k < 2; k++) {
                const uint32_t u = b[p + 4 * k] | b[p + 4 * k + 1] << 8 | b[p + 4 * k + 2] << 16 |
                                   static_cast<uint32_t>(b[p + 4 * k + 3]) << 24;
                std::memcpy(&v[k], &u, 4);
            }
            x.emplace_back(v[0], v[1]);
        }
    }
    return x;
}

double Spectrum::band(double f1, double f2) const {
    double s = 0.0;
    for (std::size_t k = 0; k < p.size(); k++) {
        const double f = -fs / 2 + static_cast<double>(k) * bin_hz();
        if (f >= f1 && f <= f2) s += p[k];
    }
    return s;
}

double Spectrum::centroid(double f1, double f2) const {
    double s = 0.0, sf = 0.0;
    for (std::size_t k = 0; k < p.size(); k++) {
        const double f = -fs / 2 + static_cast<double>(k) * bin_hz();
        if (f >= f1 && f <= f2) s += p[k], sf += p[k] * f;
    }
    return sf / s;
}

Spectrum spectrum(const Iq& x, std::size_t from, std::size_t to, double fs, int n) {
    Spectrum sp;
    sp.fs = fs;
    sp.p.assign(static_cast<std::size_t>(n), 0.0);
    std::vector<double> w(static_cast<std::size_t>(n));
    double w2 = 0.0;
    for (int i = 0; i < n; i++) {
        w[static_cast<std::size_t>(i)] = 0.5 - 0.5 * std::cos(2 * kPi * i / n);
        w2 += w[static_cast<std::size_t>(i)] * w[static_cast<std::size_t>(i)];
    }
    auto* buf = static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * static_cast<std::size_t>(n)));
    fftw_plan plan = fftw_plan_dft_1d(n, buf, buf, FFTW_FORWARD, FFTW_ESTIMATE);
    int segments = 0;
    for (std::size_t s = from; s + static_cast<std::size_t>(n) <= to; s += static_cast<std::size_t>(n) / 2) {
        for (int i = 0; i < n; i++) {
            const std::complex<double> v = x[s + static_cast<std::size_t>(i)] * w[static_cast<std::size_t>(i)];
            buf[i][0] = v.real();
            buf[i][1] = v.imag();
        }
        fftw_execute(plan);
        for (int k = 0; k < n; k++) {
            const int bin = (k + n / 2) % n;  // -fs/2 first
            sp.p[static_cast<std::size_t>(k)] += buf[bin][0] * buf[bin][0] + buf[bin][1] * buf[bin][1];
        }
        segments++;
    }
    for (double& v : sp.p) v /= segments * n * w2;
    fftw_destroy_plan(plan);
    fftw_free(buf);
    return sp;
}

std::vector<double> fm_demodulate(const Iq& x, double fs, double f0, double cutoff) {
    // Hann-windowed sinc, transition about 4 fs / taps.
    const int taps = static_cast<int>(4 * fs / cutoff) | 1, half = taps / 2;
    std::vector<double> h(static_cast<std::size_t>(taps));
    double sum = 0.0;
    for (int k = 0; k < taps; k++) {
        const int t = k - half;
        const double sinc = t == 0 ? 2 * cutoff / fs : std::sin(2 * kPi * cutoff / fs * t) / (kPi * t);
        h[static_cast<std::size_t>(k)] = sinc * (0.5 - 0.5 * std::cos(2 * kPi * (k + 1) / (taps + 1)));
        sum += h[static_cast<std::size_t>(k)];
    }
    Iq base(x.size());
    for (std::size_t i = 0; i < x.size(); i++)
        base[i] = x[i] * std::polar(1.0, -2 * kPi * f0 * static_cast<double>(i) / fs);
    Iq y(x.size());
    for (std::size_t i = 0; i < x.size(); i++) {
        std::complex<double> acc = 0.0;
        for (int k = 0; k < taps; k++) {
            const long j = static_cast<long>(i) + half - k;
            if (j >= 0 && j < static_cast<long>(x.size()))
                acc += h[static_cast<std::size_t>(k)] * base[static_cast<std::size_t>(j)];
        }
        y[i] = acc / sum;
    }
    std::vector<double> f(x.size(), 0.0);
    for (std::size_t i = 1; i < x.size(); i++) f[i] = std::arg(y[i] * std::conj(y[i - 1])) * fs / (2 * kPi);
    return f;
}
