// One kind's demodulator on a channel: the channel filter of that kind
// (decimating to the least whole fraction of the channel rate that holds
// the filtered band), an FM discriminator, and the audio out through the
// post-detection low-pass, resampled to the kind's audio rate.
//
// Audio scale: full scale 1.0 is 2 * deviation Hz, so the clean signal
// spans half of it, as the receivers' recordings do; values beyond full
// scale (clicks) are clipped there, as a 16-bit recording would.
// The complex samples after the channel filter (the kind's baseband, at
// base_rate) are kept for detectors that work on them.
#pragma once

#include <vector>

#include "iq/fir_stages.h"
#include "iq/kind_profile.h"

namespace sonde::iq {

struct KindBranch {
    Kind kind = Kind::vardo;
    KindProfile profile{};
    double base_rate = 0.0;
    DecimatingFir filter;
    double noise_bw_hz = 0.0;  // of the channel filter
    std::vector<float> base;   // complex, [0] the last sample of the previous block, then this block's
    int base_count = 0;        // this block's complex samples (from base[2])
    std::vector<float> disc;
    Resampler audio_rs;
    std::vector<float> audio;
    int audio_count = 0;
    double delay_in = 0.0;  // group delay from channel rate input to audio, in channel-rate samples
    // This block's sums for the AFC and the level.
    double corr_re = 0.0, corr_im = 0.0, power = 0.0;
    uint64_t audio_samples = 0;  // audio samples made since the channel opened
};

// rate: the channel rate; max_in: most channel samples per call.
bool branch_init(KindBranch& b, const KindProfile& p, Kind kind, double rate, int max_in);

// Clears the filters' memory for a new carrier.
void branch_reset(KindBranch& b);

// n channel samples in; audio in b.audio[0 .. b.audio_count).
void branch_run(KindBranch& b, const float* in, int n);

// The discriminator and post-detection part alone, for a receiver that makes
// a kind's audio from the kind's baseband itself: the post-detection
// resampler from base_rate to the kind's audio rate (max_base: most baseband
// samples per call), and per call m complex samples z (z[-1], the sample
// before, read too) to audio, clipped at full scale; returns the count.
bool post_detection_init(Resampler& rs, const KindProfile& p, double base_rate, int max_base);
float discriminator_scale(const KindProfile& p, double base_rate);
int fm_audio(Resampler& rs, const float* z, int m, float scale, float* disc, float* audio);

}  // namespace sonde::iq
