// Non-coherent detector of AFSK's two tones on a carrier's complex baseband.
//
// Signal model: the audio a(t) = cos(2 pi f t + alpha) of the bit's tone f
// (its phase running on across bits) frequency-modulates the carrier by
// +-D Hz, so over a bit y(t) = A exp(j (theta0 + beta sin(2 pi f t + alpha)))
// + n(t), beta = D / f, with theta0 and alpha unknown. By Jacobi-Anger
//   exp(j beta sin x) = sum_n J_n(beta) exp(j n x),
// so the correlation with the template of audio phase alpha over a window,
//   C(alpha) = sum_n J_n(beta) exp(-j n alpha) Z_n,
// needs only the window sums Z_n of y turned by the tone's harmonics n f
// (sliding sums, O(terms) per sample). A tone's level is the largest |C|
// over a grid of audio phases (the carrier phase theta0 drops out in the
// magnitude); the other tone's template leaves |C| at about 0.4 of it.
// Unlike a discriminator this has no FM threshold: its noise stays
// Gaussian in the sums. Levels are divided by sqrt(window * sum |y|^2),
// their bound, so they lie in [0, 1] whatever the input's level (as the
// audio receiver's limited tones do). The levels of a window ending at any
// fractional time of the last bits are read from a history of the sums.
#pragma once

#include <cstdint>
#include <vector>

namespace sonde::iq {

constexpr int kAfskTones = 2;

struct AfskEnvelopeConfig {
    double tone_hz[kAfskTones] = {1200.0, 2200.0};  // [0]: the tone of a 1
    double deviation_hz = 3500.0;                   // carrier deviation at the audio's peak
    double bit_rate = 1200.0;
    double band_hz = 5000.0;  // harmonics beyond this (outside the channel filter) are left out
    int phases = 24;          // audio phases tried per tone, even
    int history_bits = 48;    // how far back levels can be read
};

struct AfskLevels {
    double tone[kAfskTones] = {};
};

struct AfskEnvelope {
    double rate = 0.0;
    double bit_samples = 0.0;        // rate / bit_rate
    int window = 1;                  // samples summed
    int terms = 0;                   // harmonics of both tones together
    int first[kAfskTones + 1] = {};  // tone k's terms are [first[k], first[k + 1])
    int phases = 1;
    std::vector<int> harmonic;    // per term: n
    std::vector<double> tone_of;  // per term: its tone's frequency
    std::vector<double> bessel;   // per term: J_n(beta)
    std::vector<double> coef;     // per term: cos n alpha for each phase alpha in [0, pi), then sin n alpha
    std::vector<double> osc;      // per term: exp(-j 2 pi n f k / rate) of the next sample k, re and im
    std::vector<double> step;     // per term: its turn per sample
    std::vector<double> ring;     // products of the last `window` samples, terms each (re, im)
    int pos = 0;
    std::vector<double> sum;         // the window's sums Z_n (re, im)
    std::vector<double> power_ring;  // |y|^2 of the last `window` samples
    double power = 0.0;              // their sum
    std::vector<float> history;      // the sums after each sample, newest at taken - 1
    std::vector<float> power_history;
    uint64_t history_mask = 0;
    int64_t taken = 0;
    int tidy_count = 0;
};

// rate: the baseband's (Hz). False when the band or bit rate does not fit it.
bool afsk_envelope_init(AfskEnvelope& d, const AfskEnvelopeConfig& cfg, double rate);

// n complex samples, interleaved; non-finite ones count as 0.
void afsk_envelope_add(AfskEnvelope& d, const float* iq, int n);

// Levels of the window ending at time t (samples: the window after sample
// k ends at k), interpolated between samples. Needs
// taken - history_bits * bit_samples < t <= taken - 1.
AfskLevels afsk_levels_at(const AfskEnvelope& d, double t);

// J_n(x), from its integral (exact to rounding for the small n and x used).
double bessel_j(int n, double x);

}  // namespace sonde::iq
