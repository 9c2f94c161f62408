// The transmitter's audio path: audio samples (already in Hz of deviation)
// up to an intermediate rate by an integer factor, through a polyphase
// windowed-sinc low-pass at 0.45 of the audio rate that spans 2 * 10 + 1
// audio samples whatever the factor. The audio chain and the I/Q capture
// share it, so both put the same frequency trajectory on the carrier.
#pragma once

#include <cstdint>
#include <vector>

namespace rxchain {

struct Upsampler {
    int up = 1;               // intermediate rate / audio rate
    int k = 1;                // taps per phase
    int delay = 0;            // output lags input by this many audio samples
    std::vector<float> taps;  // up phases of k taps each, phase-major
    std::vector<float> hist;  // k - 1 samples of history, then the block
    std::vector<float> tmp;   // one phase's outputs
};

// An upsampler by `up` for audio at audio_rate, taking at most `block`
// samples per call.
void upsampler_init(Upsampler& u, int up, int audio_rate, int block);

// The slot for n (<= block) new audio samples: write them here, then call
// upsampler_run.
inline float* upsampler_input(Upsampler& u) { return u.hist.data() + u.k - 1; }

// Upsamples the n samples just written to upsampler_input: n * up samples
// to out, phase p of audio sample i at out[i * up + p].
void upsampler_run(Upsampler& u, int n, float* out);

}  // namespace rxchain
