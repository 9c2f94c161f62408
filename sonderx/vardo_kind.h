// vardo in sonderx: its weak-signal receiver, the frame layer's record
// (check-guided correction, check, receive quality), the fields and the
// position filter, kept per stream; each frame leaves as a FrameReport.
#pragma once

#include <cstdint>

#include "sonderx/frame_report.h"
#include "sonderx/kind_receiver.h"
#include "vardo/frame_layer.h"
#include "vardo/position_filter.h"
#include "vardo/robust_receiver.h"

namespace sonde::sonderx {

struct VardoKind : KindParts<vardo::RobustReceiver, vardo::SoftFrameState, vardo::FrameRecord> {
    vardo::PositionFilter filter;
};

// Started and fed through kind_receiver.h: kind_init(k, rate_hz), kind_feed(k, x, n, sink).
void on_frame(VardoKind& k, const SoftFrame& f);
void kind_reset(VardoKind& k);

}  // namespace sonde::sonderx
