// pelkin in sonderx: its weak-signal receiver, the frame layer's record
// (CRC-guided correction, check, receive quality) and the fields; each
// frame leaves as a FrameReport.
#pragma once

#include <cstdint>

#include "pelkin/frame_layer.h"
#include "pelkin/robust_receiver.h"
#include "sonderx/frame_report.h"
#include "sonderx/kind_receiver.h"

namespace sonde::sonderx {

struct PelkinKind : KindParts<pelkin::RobustReceiver, pelkin::SoftFrameState, pelkin::FrameRecord> {};

// Started and fed through kind_receiver.h: kind_init(k, rate_hz), kind_feed(k, x, n, sink).
void on_frame(PelkinKind& k, const SoftFrame& f);

}  // namespace sonde::sonderx
