// ostrel in sonderx: its weak-signal receiver and the frame layer's record
// (CRC-guided repair of GPS packets, fields, receive quality); each packet
// leaves as a FrameReport (other packets as ones without position).
#pragma once

#include <cstdint>

#include "ostrel/frame_layer.h"
#include "ostrel/robust_receiver.h"
#include "sonderx/frame_report.h"

namespace sonde::sonderx {

struct OstrelKind {
    ostrel::RobustReceiver rx;
    ostrel::SoftFrameState frames;
    ostrel::PacketRecord record;
    ReportSink sink;
};

void ostrel_kind_init(OstrelKind& k, int64_t rate_hz);
void ostrel_kind_feed(OstrelKind& k, const float* x, int n, const ReportSink& sink);

}  // namespace sonde::sonderx
