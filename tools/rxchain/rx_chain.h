// A simulated FM receiver: turns the clean audio of a synthesizer into what
// a receiver's discriminator delivers at a given Eb/N0, carrier offset and
// drift. Model:
//   audio, scaled so that its peak is the deviation, upsampled by an
//   integer factor to an intermediate rate >= 96 kHz (polyphase FIR);
//   FM on a unit carrier, plus offset (Hz) and linear drift (Hz/s);
//   complex white Gaussian noise with N0 = 1 / (bit rate * Eb/N0): per
//   sample variance N0 * fs (one-sided N0, carrier power 1);
//   linear-phase FIR channel filter of a given noise-equivalent width;
//   discriminator angle(z[n] conj z[n-1]) in Hz;
//   FIR low-pass and decimation back to the audio rate;
//   optional 20 Hz 2nd-order Butterworth high-pass and de-emphasis.
// Processing is block-wise with fixed buffers; the same seed gives the same
// output on every machine.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "normal_source.h"
#include "upsampler.h"

namespace rxchain {

struct ChainConfig {
    int audio_rate = 48000;
    double deviation_hz = 2400.0;  // of the input's peak
    double input_peak = 0.5;       // input level that maps to deviation_hz
    double bit_rate = 9600.0;      // Eb = C / bit_rate
    bool noise = true;
    double ebn0_db = 20.0;
    bool carrier = true;  // false: receiver noise alone
    double offset_hz = 0.0;
    double drift_hz_per_s = 0.0;
    double channel_bw_hz = 0.0;   // noise-equivalent; 0: 2 * deviation + bit rate
    double post_cutoff_hz = 0.0;  // 0: min(channel_bw / 2, 0.45 * audio rate)
    bool highpass = false;        // 20 Hz, 2nd-order Butterworth
    double deemphasis_us = 0.0;   // 0: none; 50 or 75 as broadcast receivers
    uint64_t seed = 1;
};

// The receiver of a signal family, set in cfg: "vardo" (2400 Hz deviation,
// Eb per 9600 bit/s), "pelkin" (2400 Hz, 4800 bit/s), "afsk" or "ostrel"
// (3500 Hz, 1200 bit/s, channel 2 * (3500 + 2200) Hz, 20 Hz high-pass).
// False for any other name.
bool chain_profile(std::string_view name, ChainConfig& cfg);

// Audio samples handled per inner step; the chain's buffers hold this many
// times the upsampling factor.
constexpr int kChainBlock = 512;

struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

struct RxChain {
    ChainConfig cfg;
    int up = 1;             // intermediate rate / audio rate
    double fs = 0.0;        // intermediate rate
    double bw_hz = 0.0;     // channel filter's noise-equivalent width, as built
    double post_hz = 0.0;   // post-detection cutoff
    double scale_hz = 0.0;  // Hz per input unit
    double sigma = 0.0;     // noise per real component
    int delay = 0;          // output lags input by this many audio samples

    Upsampler tx;             // audio (Hz) to the intermediate rate
    std::vector<float> freq;  // intermediate-rate instantaneous frequency

    // Carrier.
    uint32_t phase = 0;
    uint64_t fs_count = 0;
    std::vector<float> sine;  // one period, 4096 steps plus a guard entry
    NormalSource rng{};

    // Channel filter, symmetric taps; buffers hold history then the block.
    std::vector<float> chan;
    std::vector<float> re, im;
    std::vector<float> chan_re, chan_im;  // the previous block's last output, then the block

    // Discriminator output and post-detection low-pass with decimation.
    std::vector<float> post;
    std::vector<float> disc;
    std::vector<float> tmp;

    Biquad hp;
    double deemph_a = 0.0, deemph_y = 0.0;
};

// Builds a new chain's filters and buffers; false when the settings make no
// sense (rate, widths).
bool chain_init(RxChain& c, const ChainConfig& cfg);

// n input samples (any count) in, n output samples out, in Hz of
// discriminator output. Output sample k belongs to input sample
// k - c.delay.
void chain_process(RxChain& c, const float* in, float* out_hz, std::size_t n);

// Full scale of the output WAV: (deviation + |offset| + |drift| * duration)
// / 0.5, so the clean signal spans half of it.
inline double chain_full_scale(const ChainConfig& cfg, double duration_s) {
    return (cfg.deviation_hz + std::fabs(cfg.offset_hz) + std::fabs(cfg.drift_hz_per_s) * duration_s) / 0.5;
}

}  // namespace rxchain
