// A running power spectrum of the capture: Hann-windowed FFT frames of
// `size` points, one every `stride` samples, summed over looks of look_s
// seconds; the estimate is the mean over the last `looks` looks (about a
// second), refreshed at the end of each look.
//
// Units: power per Hz relative to full scale, so that complex white noise
// of variance s^2 per sample reads s^2 / rate in every bin. Bins are in
// frequency order: bin i is (i - size / 2) * rate / size Hz.
#pragma once

#include <cstdint>
#include <vector>

#include "iq/fftw_handle.h"

namespace sonde::iq {

constexpr int kMaxLooks = 8;

struct SpectrumConfig {
    double rate = 250000.0;
    int size = 0;    // FFT points; 0: a power of two near rate / 1 kHz
    int stride = 0;  // samples from one frame's start to the next; 0: 2 * size
    double look_s = 0.25;
    int looks = 4;
};

struct Spectrum {
    double rate = 0.0;
    int size = 0, stride = 0;
    int frames_per_look = 0;
    int looks = 0;
    std::vector<float> window;
    double window_power = 0.0;  // sum of the window's squares
    FftwBuffer in, out;
    FftwPlan plan;
    int fill = 0;                             // samples of the frame being gathered
    int skip = 0;                             // samples to pass over before the next frame starts
    std::vector<double> look_sum[kMaxLooks];  // per look, natural bin order
    int look_at = 0;                          // the look being gathered
    int look_frames = 0;
    int looks_done = 0;         // complete looks (up to `looks`)
    std::vector<double> power;  // the estimate, frequency order
    int frames = 0;             // frames in the estimate
    uint64_t updates = 0;       // estimates made so far
};

bool spectrum_init(Spectrum& s, const SpectrumConfig& cfg);

// Takes n complex samples; returns true when a new estimate is ready.
bool spectrum_add(Spectrum& s, const float* iq, int n);

inline double spectrum_bin_hz(const Spectrum& s) { return s.rate / s.size; }

}  // namespace sonde::iq
