// Synthetic captures for the I/Q front end's tests: FM carriers with a
// chosen modulation, steady carriers, a DC offset, an I/Q image, and
// complex Gaussian noise from a fixed seed. Phases are accumulated in double
// from the carrier's frequency, so the expected audio is known exactly.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace iqtest {

constexpr double kPi = 3.14159265358979323846;

struct Carrier {
    double offset_hz = 0.0;
    double amplitude = 0.1;
    // Frequency deviation in Hz at time t (s); null: unmodulated.
    std::function<double(double)> fm;
};

// A sonde-like modulation: +-dev_hz switched at rate_hz by a fixed
// pseudo-random sequence (NRZ), a broad FM spectrum.
inline std::function<double(double)> nrz(double dev_hz, double rate_hz, uint32_t seed) {
    return [=](double t) {
        uint32_t x = static_cast<uint32_t>(t * rate_hz) * 2654435761u + seed * 40503u;
        x ^= x >> 15;
        x *= 2246822519u;
        x ^= x >> 13;
        return (x & 1u) ? dev_hz : -dev_hz;
    };
}

inline std::function<double(double)> tone(double dev_hz, double tone_hz) {
    return [=](double t) { return dev_hz * std::sin(2.0 * kPi * tone_hz * t); };
}

struct Capture {
    double rate = 250000.0;
    std::vector<Carrier> carriers;
    double noise_rms = 0.0;  // per complex sample (I and Q each rms / sqrt 2)
    double dc_re = 0.0, dc_im = 0.0;
    double image_gain = 0.0;  // amplitude of the mirror image relative to the signal
    uint64_t seed = 1;
};

// n complex samples, interleaved.
inline std::vector<float> make_capture(const Capture& c, int64_t n) {
    std::vector<float> out(2 * static_cast<std::size_t>(n), 0.0f);
    uint64_t s = c.seed * 0x9E3779B97F4A7C15ull + 1;
    auto uniform = [&]() {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return (static_cast<double>(s >> 11) + 0.5) / 9007199254740992.0;
    };
    for (const Carrier& k : c.carriers) {
        double phase = 0.0;
        for (int64_t j = 0; j < n; j++) {
            const double t = static_cast<double>(j) / c.rate;
            const double re = k.amplitude * std::cos(phase), im = k.amplitude * std::sin(phase);
            out[2 * j] += static_cast<float>(re + c.image_gain * re);
            out[2 * j + 1] += static_cast<float>(im - c.image_gain * im);
            const double f = k.offset_hz + (k.fm ? k.fm(t) : 0.0);
            phase += 2.0 * kPi * f / c.rate;
            if (phase > kPi) phase -= 2.0 * kPi;
            if (phase < -kPi) phase += 2.0 * kPi;
        }
    }
    const double sd = c.noise_rms / std::sqrt(2.0);
    for (int64_t j = 0; j < n; j++) {
        double g0 = 0.0, g1 = 0.0;
        if (sd > 0.0) {
            const double u1 = uniform(), u2 = uniform();
            const double r = std::sqrt(-2.0 * std::log(u1));
            g0 = r * std::cos(2.0 * kPi * u2);
            g1 = r * std::sin(2.0 * kPi * u2);
        }
        out[2 * j] += static_cast<float>(sd * g0 + c.dc_re);
        out[2 * j + 1] += static_cast<float>(sd * g1 + c.dc_im);
    }
    return out;
}

}  // namespace iqtest
