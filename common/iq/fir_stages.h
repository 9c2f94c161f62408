// Streaming filter stages over fixed buffers: a decimating FIR on complex
// samples (the down-converter's, the half-band's and the channel filters)
// and a polyphase resampler on real samples (the audio out). Each takes any
// number of samples per call up to the block it was built for and keeps
// what the next outputs need.
#pragma once

#include <cstdint>
#include <vector>

namespace sonde::iq {

struct DecimatingFir {
    int taps = 0, len2 = 0, decim = 1;
    std::vector<float> h2;   // reversed, each tap twice, padded
    std::vector<float> buf;  // complex: held samples, then the new block
    int held = 0;            // complex samples held from the last call
    double delay = 0.0;      // group delay in input samples
};

// h: the taps (odd length, symmetric); max_in: most samples per call.
void fir_init(DecimatingFir& f, const std::vector<double>& h, int decim, int max_in);

// n complex samples in; outputs to out (at most n / decim + 1); returns their count.
int fir_run(DecimatingFir& f, const float* in, int n, float* out);

constexpr int kResamplerPhases = 256;

struct Resampler {
    int taps = 0, len = 0;  // taps per phase, padded length
    std::vector<float> bank;
    std::vector<float> buf;
    int held = 0;
    uint64_t t = 0;     // time of the next output in buf, 32.32 fixed point (input samples)
    uint64_t step = 0;  // input samples per output, 32.32
    std::vector<int32_t> at;
    std::vector<uint16_t> phase;
    double delay = 0.0;  // group delay in input samples
};

// Real samples from rate_in to rate_out through a low-pass at cutoff_hz
// with a transition of transition_hz; max_in: most samples per call.
bool resampler_init(Resampler& r, double rate_in, double rate_out, double cutoff_hz, double transition_hz, int max_in);

// Most outputs a call of n inputs makes.
int resampler_max_out(const Resampler& r, int n);

int resampler_run(Resampler& r, const float* in, int n, float* out);

}  // namespace sonde::iq
