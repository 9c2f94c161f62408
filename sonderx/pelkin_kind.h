// pelkin in sonderx: its weak-signal receiver, the frame layer's record
// (CRC-guided correction, check, receive quality) and the fields; each
// frame leaves as a FrameReport.
#pragma once

#include <cstdint>

#include "pelkin/frame_layer.h"
#include "pelkin/robust_receiver.h"
#include "sonderx/frame_report.h"

namespace sonde::sonderx {

struct PelkinKind {
    pelkin::RobustReceiver rx;
    pelkin::SoftFrameState frames;
    pelkin::FrameRecord record;
    ReportSink sink;
};

void pelkin_kind_init(PelkinKind& k, int64_t rate_hz);
void pelkin_kind_feed(PelkinKind& k, const float* x, int n, const ReportSink& sink);

}  // namespace sonde::sonderx
