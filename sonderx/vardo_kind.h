// vardo in sonderx: its weak-signal receiver, the frame layer's record
// (check-guided correction, check, receive quality), the fields and the
// position filter, kept per stream; each frame leaves as a FrameReport.
#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "iq/coherent_biphase.h"
#include "iq/fir_stages.h"
#include "sonderx/frame_report.h"
#include "sonderx/kind_receiver.h"
#include "vardo/frame_layer.h"
#include "vardo/position_filter.h"
#include "vardo/robust_receiver.h"

namespace sonde::sonderx {

struct VardoKind : KindParts<vardo::RobustReceiver, vardo::SoftFrameState, vardo::FrameRecord> {
    vardo::PositionFilter filter;
};

// Started and fed through kind_receiver.h: kind_init(k, rate_hz), kind_feed(k, x, n, sink).
void on_frame(VardoKind& k, const SoftFrame& f);
void kind_reset(VardoKind& k);

// vardo from the complex samples of its I/Q channel. Its robust receiver
// reads the discriminator's audio made here from the same samples (frame
// sync, the frame's start, channel-bit timing); the samples of the last
// frame's length are kept, and each frame the receiver hands on has its
// symbols read again coherently (iq/coherent_biphase.h) before it goes to
// the sink, with the receiver's type, start and quality figures.
struct VardoIqReceiver {
    vardo::RobustReceiver rx;
    iq::Resampler audio_rs;
    float scale = 0.0f;       // discriminator: radians per sample to audio
    std::vector<float> base;  // complex: a chunk, numbers only
    std::vector<float> disc, audio;
    iq::DecimatingFir narrow;               // the audio's low-pass, narrower than the channel's
    std::vector<float> narrowed;            // complex: the previous sample, then a chunk through it
    std::vector<std::complex<float>> ring;  // the last samples, a power of two
    int64_t written = 0;                    // samples into the ring so far
    double per_audio = 0.0;                 // samples per audio sample
    double audio_at = 0.0;                  // sample position of audio sample 0
    iq::CoherentBiphase reader;
    signed char sync[64] = {};  // the sync word's channel bits as phase steps, polarity +1
    int sync_bits = 0;
    float soft[vardo::kRobustMaxSymbols] = {};
    unsigned char hard[vardo::kRobustMaxSymbols] = {};
    char raw[2 * vardo::kRobustMaxSymbols + 1] = {};
    bool usable = false;
    uint64_t reread = 0;  // frames read coherently
};

// rate: the baseband's sample rate. False for a rate it cannot take.
bool receiver_init(VardoIqReceiver& r, double rate);

void receiver_feed(VardoIqReceiver& r, const std::complex<float>* x, std::size_t n, const sonde::FrameSink& sink);

struct VardoIqKind : KindParts<VardoIqReceiver, vardo::SoftFrameState, vardo::FrameRecord> {
    vardo::PositionFilter filter;
};

void on_frame(VardoIqKind& k, const SoftFrame& f);
void kind_reset(VardoIqKind& k);

}  // namespace sonde::sonderx
