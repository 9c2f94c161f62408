// Linear-phase low-pass FIR design for the receiver-chain simulator:
// Hamming-windowed sinc, odd length, unit gain at 0 Hz.
#pragma once

#include <vector>

namespace rxchain {

// Taps of an odd-length (n) windowed-sinc low-pass with its -6 dB point at
// cutoff_hz, at sample rate fs, summing to 1.
std::vector<double> lowpass_taps(int n, double cutoff_hz, double fs);

// Noise-equivalent bandwidth (two-sided, Hz) of a filter with unit gain at
// 0 Hz: the width of the rectangle that passes the same white-noise power,
// fs * sum(h^2) / (sum h)^2.
double noise_bandwidth(const std::vector<double>& h, double fs);

// An odd-length low-pass whose noise-equivalent bandwidth is exactly bw_hz
// (to 1e-9 relative): the cutoff is found by bisection, since a windowed
// sinc's noise bandwidth grows steadily with its cutoff.
std::vector<double> lowpass_with_noise_bandwidth(int n, double bw_hz, double fs);

// Odd tap count for a Hamming window's transition band of transition_hz
// (about 3.3 fs / n), at least min_taps.
int taps_for_transition(double transition_hz, double fs, int min_taps);

}  // namespace rxchain
