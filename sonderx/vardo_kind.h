// vardo in sonderx: its weak-signal receiver, the frame layer's record
// (check-guided correction, check, receive quality), the fields and the
// position filter, kept per stream; each frame leaves as a FrameReport.
#pragma once

#include <cstdint>

#include "sonderx/frame_report.h"
#include "vardo/frame_layer.h"
#include "vardo/position_filter.h"
#include "vardo/robust_receiver.h"

namespace sonde::sonderx {

struct VardoKind {
    vardo::RobustReceiver rx;
    vardo::SoftFrameState frames;
    vardo::PositionFilter filter;
    vardo::FrameRecord record;
    ReportSink sink;
};

// rate_hz: the rate of the samples fed (at least 16 kHz).
void vardo_kind_init(VardoKind& k, int64_t rate_hz);
void vardo_kind_feed(VardoKind& k, const float* x, int n, const ReportSink& sink);

}  // namespace sonde::sonderx
