// ostrel in sonderx: its weak-signal receiver and the frame layer's record
// (CRC-guided repair of GPS packets, fields, receive quality); each packet
// leaves as a FrameReport (other packets as ones without position).
#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>

#include "iq/afsk_envelope.h"
#include "ostrel/frame_layer.h"
#include "ostrel/robust_core.h"
#include "ostrel/robust_receiver.h"
#include "sonderx/frame_report.h"
#include "sonderx/kind_receiver.h"

namespace sonde::sonderx {

struct OstrelKind : KindParts<ostrel::RobustReceiver, ostrel::SoftFrameState, ostrel::PacketRecord> {};

// Started and fed through kind_receiver.h: kind_init(k, rate_hz), kind_feed(k, x, n, sink).
void on_frame(OstrelKind& k, const SoftFrame& f);

// ostrel from the complex samples of its I/Q channel: the tones' levels
// over a bit come from the AFSK envelope detector (iq/afsk_envelope.h)
// instead of the audio's correlators; balance, start search, clock and
// frame bits are the robust receiver's own (ostrel/robust_core.h).
struct OstrelIqTones {
    iq::AfskEnvelope det;
    double bit_samples = 40.0;
};
ostrel::ToneLevelsAt tone_levels_at(const OstrelIqTones& t, double at);
inline double tone_dc(const OstrelIqTones&) { return 0.0; }  // no audio offset

struct OstrelIqReceiver : ostrel::RobustCore<OstrelIqTones> {};

// rate: the baseband's sample rate. False for a rate the detector cannot take.
bool receiver_init(OstrelIqReceiver& r, double rate);

void receiver_feed(OstrelIqReceiver& r, const std::complex<float>* x, std::size_t n, const sonde::FrameSink& sink);

struct OstrelIqKind : KindParts<OstrelIqReceiver, ostrel::SoftFrameState, ostrel::PacketRecord> {};

void on_frame(OstrelIqKind& k, const SoftFrame& f);

}  // namespace sonde::sonderx
