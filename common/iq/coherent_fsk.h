// Coherent detector of two continuous-phase FSK tones at +-tone_hz on a
// carrier's complex baseband, whose output is a per-sample soft stream that
// an audio receiver's integrate-and-dump turns into the coherent decision.
//
// Signal model: y(t) = A exp(j theta(t)) + n(t), theta advancing by
// +-2 pi tone_hz per second with the bit, n complex white noise. With
// tone_hz * 2 = bit rate (index 1) the phase at every bit boundary is
// theta0 + k pi, whatever the data; so u = y exp(-j 2 pi tone_hz t) is a
// phasor of one fixed phase phi+ in every '+' bit and turns once (integrating
// to zero) in every '-' bit, and v = y exp(+j 2 pi tone_hz t) likewise for
// '-' bits. Each tone thus carries its own data-independent phase reference.
// The references are the mean of u and of v over a window centred on the
// sample (the output is late by half the window), which follows a small
// residual frequency offset with no lag and a slow drift with little.
// Larger offsets (the channel's AFC centres the power-weighted mean
// frequency, which unequal numbers of '+' and '-' bits pull off by up to a
// few hundred Hz) would turn the phasors within the window: a frequency
// loop takes them out first, from how far each tone's phasor turned from
// one short block (a few bits) to the next.
//
//   s = Re{exp(-j phi+) u} - Re{exp(-j phi-) v}
//
// integrated over a bit is the coherent orthogonal 2-FSK statistic (signal
// A T one way, 0 the other; noise variance N0 T). Scaled by the window's RMS
// and resampled to the audio rate through a low-pass at out_cutoff_hz, so a
// clean '+' bit averages about +0.25 of full scale, a '-' bit -0.25.
#pragma once

#include <cstdint>
#include <vector>

#include "iq/fir_stages.h"

namespace sonde::iq {

struct CoherentFskConfig {
    double tone_hz = 2400.0;
    double bit_rate = 4800.0;
    double window_bits = 32.0;  // phase reference window
    // Frequency loop: its block (the whole number of samples nearest this
    // many bits, where the other tone's turns nearly cancel) pulls in
    // offsets to +-bit_rate / (2 block_bits): 1200 Hz for pelkin, as far as
    // a long idle tone pulls the AFC. Longer blocks pull in less and gain
    // nothing measurable; one bit leaves too much of the other tone.
    int block_bits = 2;
    double loop_gain = 0.1;     // fraction of each block's measured offset taken
    double loop_smooth = 0.25;  // weight of each block's turn in the loop's mean of them
    double out_rate = 48000.0;  // soft stream rate
    double out_cutoff_hz = 4800.0;
};

struct CoherentFsk {
    double rate = 0.0;  // input (baseband) rate
    double step_re = 1.0, step_im = 0.0;
    double osc_re = 1.0, osc_im = 0.0;  // exp(-j 2 pi tone_hz t)
    // Frequency loop: the offset taken out, its phasor, and this and the
    // last block's sums of u and v.
    double offset_hz = 0.0;
    double tuned_hz = 0.0;
    bool tuned = false;  // tuned_hz known
    double fo_re = 1.0, fo_im = 0.0;
    int block = 1, in_block = 0;
    double loop_gain = 0.0, loop_smooth = 1.0;
    double turn_re = 0.0, turn_im = 0.0;  // mean turn from block to block
    double bu_re = 0.0, bu_im = 0.0, bv_re = 0.0, bv_im = 0.0;
    double pu_re = 0.0, pu_im = 0.0, pv_re = 0.0, pv_im = 0.0;
    int window = 1;           // samples in the reference window
    int half = 0;             // output delay, samples
    std::vector<float> ring;  // per sample: u (2), v (2), |y|^2; window entries
    int at = 0;               // next ring entry written
    uint64_t seen = 0;        // samples taken
    double su_re = 0.0, su_im = 0.0, sv_re = 0.0, sv_im = 0.0, sp = 0.0;  // window sums
    std::vector<float> soft;                                              // this call's soft samples at the input rate
    Resampler out;
    int max_in = 0;
};

// rate: the baseband's; max_in: most complex samples per call.
bool coherent_fsk_init(CoherentFsk& d, const CoherentFskConfig& cfg, double rate, int max_in);

// The channel's tuning for the samples that follow: a step of it (an AFC
// retuning) moves the baseband's frequency the other way at once, which the
// loop's offset follows at once too instead of pulling it in.
void coherent_fsk_tuned(CoherentFsk& d, double tuned_hz);

// Most soft samples a call of n makes.
int coherent_fsk_max_out(const CoherentFsk& d, int n);

// n complex samples (interleaved, n <= max_in) in; soft samples at the out
// rate in out[0 .. return). Non-finite input counts as 0.
int coherent_fsk_run(CoherentFsk& d, const float* iq, int n, float* out);

}  // namespace sonde::iq
