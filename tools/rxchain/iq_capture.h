// The I/Q capture: what an SDR delivers before any channel filter. Model:
//   complex white Gaussian noise over the whole band, N0 = 1 / fs (unit
//   variance per complex sample, fs the true rate), so that a carrier of
//   amplitude A has Eb/N0 = A^2 / (N0 * bit rate), the audio chain's
//   definition;
//   the transmitters' carriers added on top;
//   the mixer's gain and phase errors: I' = I, Q' = g (Q cos p - I sin p),
//   which mirrors every signal about the centre at
//   (1 - 2 g cos p + g^2) / (1 + 2 g cos p + g^2) of its power;
//   an AGC that knows the power on the air (noise plus the carriers on at
//   each sample) and holds the RMS of I and Q at 25 % of full scale,
//   changing at once when a carrier comes on or goes off;
//   the ADC's DC offset, a constant at a level relative to full scale;
//   a sample clock off by clock_ppm: the capture is sampled at
//   fs = rate (1 + ppm 1e-6) while its file states the rate.
#pragma once

#include <cstdint>
#include <vector>

#include "fm_source.h"
#include "normal_source.h"

namespace rxchain {

constexpr int kCaptureBlock = 16384;

// RMS of I and of Q, full scale 1.0.
constexpr double kCaptureRms = 0.25;

struct CaptureConfig {
    double rate = 250000.0;  // nominal, as the file states it
    double clock_ppm = 0.0;
    bool noise = true;
    double image_gain_db = 0.0;  // Q's gain against I's
    double image_phase_deg = 0.0;
    bool dc_spike = false;
    double dc_dbfs = -40.0;  // complex magnitude, equal parts on I and Q
    uint64_t seed = 1;
};

// fs, the capture's true sample rate.
inline double capture_true_rate(const CaptureConfig& cfg) { return cfg.rate * (1.0 + cfg.clock_ppm * 1e-6); }

// Carrier amplitude of a signal at ebn0_db with Eb counted per bit_rate.
double capture_amplitude(const CaptureConfig& cfg, double ebn0_db, double bit_rate);

struct IqCapture {
    CaptureConfig cfg;
    NormalSource rng{};
    double noise_power = 0.0;    // per complex sample
    float qq = 1.0f, qi = 0.0f;  // Q' = qq Q + qi I
    double power_factor = 1.0;   // mean power of I' and Q' per unit power on the air
    float dc_i = 0.0f, dc_q = 0.0f;
    int64_t next = 0;  // index of the next sample
    std::vector<float> re, im;
    std::vector<float> out_i, out_q;  // the last block, full scale 1.0
    std::vector<int> edges;           // where the power on the air changes in a block
};

bool capture_init(IqCapture& c, const CaptureConfig& cfg);

// Makes the next n (<= kCaptureBlock) samples into out_i and out_q.
void capture_block(IqCapture& c, FmSource* const* sources, int count, int n);

}  // namespace rxchain
