// Polyphase FFT channelizer: the capture split into `channels` bands spaced
// rate / channels apart, each band's samples at twice that spacing (a hop of
// channels / 2 input samples), so that a carrier anywhere lies at most a
// quarter of a band's rate from some band's centre and a band passes it
// with its whole spectrum. One prototype low-pass (cutoff at the spacing,
// Kaiser) serves every band; per hop the cost is taps complex products and
// one FFT of `channels` points (FFTW), whatever the number of carriers.
//
// Band k's output at hop m, raw[m][k], is the band's filtered samples
// mixed down by the band centre with the phase that centre has at the
// capture's absolute sample n_m, taken back out: multiplying raw by
// e^(-i 2 pi f n_m / rate) gives the capture mixed down by any f near the
// band and filtered, so a carrier moves from band to band without a break.
#pragma once

#include <cstdint>
#include <vector>

#include "iq/fftw_handle.h"

namespace sonde::iq {

struct Channelizer {
    double rate = 0.0;
    int channels = 0, hop = 0, taps = 0;
    std::vector<float> g2;    // prototype reversed, each tap twice
    std::vector<float> hist;  // complex: taps - 1 held samples, then the block
    std::vector<float> acc;
    FftwBuffer in, out;
    FftwPlan plan;
    std::vector<float> frames;  // per hop of the last block: channels complex outputs
    int frame_count = 0;        // hops in the last block
    uint64_t hops = 0;          // hops done before the last block
};

// pass_hz: the band kept unaliased each side of a band centre. block: the
// samples per call, a multiple of channels / 2. False when the sizes make
// no channelizer (channels odd or below 2).
bool channelizer_init(Channelizer& c, double rate, int channels, double pass_hz, int block);

// A block of capture samples in; c.frames holds its hops' outputs.
void channelizer_run(Channelizer& c, const float* iq, int n);

// The band nearest a frequency.
int channelizer_band(const Channelizer& c, double offset_hz);
double channelizer_centre(const Channelizer& c, int band);

}  // namespace sonde::iq
