// ostrel in sonderx: its weak-signal receiver and the frame layer's record
// (CRC-guided repair of GPS packets, fields, receive quality); each packet
// leaves as a FrameReport (other packets as ones without position).
#pragma once

#include <cstdint>

#include "ostrel/frame_layer.h"
#include "ostrel/robust_receiver.h"
#include "sonderx/frame_report.h"
#include "sonderx/kind_receiver.h"

namespace sonde::sonderx {

struct OstrelKind : KindParts<ostrel::RobustReceiver, ostrel::SoftFrameState, ostrel::PacketRecord> {};

// Started and fed through kind_receiver.h: kind_init(k, rate_hz), kind_feed(k, x, n, sink).
void on_frame(OstrelKind& k, const SoftFrame& f);

}  // namespace sonde::sonderx
