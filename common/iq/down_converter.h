// One carrier's own down-converter, for low capture rates where it costs
// less than a channelizer: the local oscillator at the carrier, then a
// decimating low-pass to the channel rate (rate / decim).
#pragma once

#include "iq/fir_stages.h"
#include "iq/local_oscillator.h"

namespace sonde::iq {

struct DownConverter {
    double rate = 0.0;
    LocalOscillator lo;
    DecimatingFir fir;
    std::vector<float> mixed;
};

// keep_hz: the band each side of the carrier passed unaliased.
void ddc_init(DownConverter& d, double rate, int decim, double keep_hz, int block);

// Tunes to a carrier at offset_hz from the next sample on.
void ddc_tune(DownConverter& d, double offset_hz);

// n (<= block) capture samples in; channel-rate samples to out; their count.
int ddc_run(DownConverter& d, const float* iq, int n, float* out);

}  // namespace sonde::iq
