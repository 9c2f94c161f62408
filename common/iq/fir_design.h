// Linear-phase low-pass filters by the Kaiser window method, for the
// channelizer's prototype, the down-converter, the channel filters and the
// post-detection low-pass.
#pragma once

#include <vector>

namespace sonde::iq {

// Taps for a transition band of transition_hz at rate_hz and a stopband
// atten_db down (Kaiser's estimate), odd, at least 3.
int kaiser_taps(double transition_hz, double rate_hz, double atten_db);

// n taps of a low-pass with its -6 dB point at cutoff_hz (rate_hz the
// sample rate), Kaiser window for atten_db, gain 1 at 0 Hz.
std::vector<double> kaiser_lowpass(int n, double cutoff_hz, double rate_hz, double atten_db);

// Noise-equivalent bandwidth (Hz, both sides of 0 Hz) of a filter at rate_hz
// with gain 1 at 0 Hz: rate * sum h^2 / (sum h)^2.
double noise_bandwidth(const std::vector<double>& h, double rate_hz);

}  // namespace sonde::iq

namespace sonde::iq {

// A polyphase bank for resampling: `phases` rows of `taps` taps, row p
// holding the low-pass h (cutoff cutoff_rel cycles per input sample, Kaiser
// window for atten_db) at times taps / 2 - 1 + p / phases - q for tap q, each
// row scaled to gain 1 at 0 Hz. Row-major.
std::vector<double> kaiser_bank(int phases, int taps, double cutoff_rel, double atten_db);

}  // namespace sonde::iq
