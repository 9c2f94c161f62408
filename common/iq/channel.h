// One carrier's channel: its samples from the channelizer's band (or its
// own down-converter at low capture rates), tuned finely onto the carrier,
// then one demodulator per kind still in question. The AFC follows the
// carrier: each block's mean frequency (the angle of the sum of z[n]
// conj z[n-1] after the widest running channel filter, which noise pulls
// towards zero rather than anywhere) moves the estimate by a fraction
// block / afc_time_s of the error; the oscillator is retuned when the
// estimate has moved by more than a few hertz; it holds while the channel
// holds no more than noise (see afc_min_snr). Level: the filtered power
// less the noise the spectrum's floor puts into the filter.
#pragma once

#include <cstdint>
#include <vector>

#include "iq/channelizer.h"
#include "iq/down_converter.h"
#include "iq/kind_branch.h"

namespace sonde::iq {

enum class SourceMode : uint8_t { down_converter, channelizer };

// What every channel of a front end shares: rates and block sizes.
struct ChannelPlan {
    SourceMode mode = SourceMode::down_converter;
    double rate = 0.0;       // capture
    int block = 0;           // capture samples per block
    double chan_rate = 0.0;  // into the kind demodulators
    int ddc_decim = 1;       // down-converter mode
    int half_decim = 1;      // channelizer mode: after the band's samples
    int hop = 1;             // channelizer mode: capture samples per band sample
    double keep_hz = 0.0;    // band passed unaliased each side of the carrier
    double band_hysteresis_hz = 4000.0;
    double afc_time_s = 0.25;
    // The AFC steps only while the filtered power stands above the noise the
    // spectrum puts into the filter by this ratio (1: 0 dB): on noise alone
    // the mean frequency wanders, and a channel given on a sonde not yet on
    // the air would walk away from it.
    double afc_min_snr = 1.0;
    double retune_hz = 20.0;
    double level_time_s = 0.2;
    KindProfile profiles[kKinds]{};
};

struct ChannelMeasure {
    double offset_hz = 0.0;
    double level_dbfs = -200.0;  // carrier power relative to a full-scale tone
    double snr_db = -100.0;      // carrier to noise in the channel filter's noise bandwidth
    double cn0_dbhz = 0.0;       // carrier to noise density
    double noise_dbfs_hz = -200.0;
};

struct Channel {
    unsigned kinds = 0;      // demodulators running (bit per Kind)
    double offset_hz = 0.0;  // carrier estimate
    double lo_hz = 0.0;      // where the oscillator is tuned
    // Sources.
    DownConverter ddc;
    int band = 0;
    LocalOscillator fine;
    DecimatingFir half;
    std::vector<float> src, mixed, chan;
    int chan_count = 0;
    KindBranch branch[kKinds];
    double power = 0.0;         // smoothed filtered power (the AFC branch's)
    double noise_bw_hz = 0.0;   // of the AFC branch's filter
    double noise_per_hz = 0.0;  // from the spectrum
    bool has_power = false;
};

bool channel_init(Channel& c, const ChannelPlan& p);

// Starts on a carrier at offset_hz with the demodulators of `kinds`.
void channel_start(Channel& c, const ChannelPlan& p, const Channelizer* cz, double offset_hz, unsigned kinds);

// One block: capture samples (down-converter) or the channelizer's hops.
void channel_run(Channel& c, const ChannelPlan& p, const float* iq, int n, const Channelizer* cz);

ChannelMeasure channel_measure(const Channel& c);

// The running kind whose channel filter is widest.
int channel_afc_kind(const Channel& c);

}  // namespace sonde::iq
