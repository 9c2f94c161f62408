// pelkin in sonderx: its weak-signal receiver, the frame layer's record
// (CRC-guided correction, check, receive quality) and the fields; each
// frame leaves as a FrameReport.
#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pelkin/frame_layer.h"
#include "iq/coherent_fsk.h"
#include "pelkin/robust_receiver.h"
#include "sonderx/frame_report.h"
#include "sonderx/kind_receiver.h"

namespace sonde::sonderx {

struct PelkinKind : KindParts<pelkin::RobustReceiver, pelkin::SoftFrameState, pelkin::FrameRecord> {};

// Started and fed through kind_receiver.h: kind_init(k, rate_hz), kind_feed(k, x, n, sink).
void on_frame(PelkinKind& k, const SoftFrame& f);

// pelkin from the complex samples of its I/Q channel: the coherent detector
// (iq/coherent_fsk.h) makes a soft stream at 48 kHz for the same robust
// receiver, read without the de-emphasis trial (the stream has none).
struct PelkinIqReceiver {
    iq::CoherentFsk detector;
    std::vector<float> soft;
    pelkin::RobustReceiver rx;
};

// rate: the baseband's sample rate. False for a rate the detector cannot take.
bool receiver_init(PelkinIqReceiver& r, double rate);

void receiver_feed(PelkinIqReceiver& r, const std::complex<float>* x, std::size_t n, const sonde::FrameSink& sink);

// The channel's tuning for the samples fed next (iq::BasebandBlock::tuned_hz).
void receiver_tuned(PelkinIqReceiver& r, double tuned_hz);

struct PelkinIqKind : KindParts<PelkinIqReceiver, pelkin::SoftFrameState, pelkin::FrameRecord> {};

void on_frame(PelkinIqKind& k, const SoftFrame& f);

}  // namespace sonde::sonderx
