// The receive loop reads the samples: slicer runs into the sync ring, then
// the frame's 500 bits as runs or (-b) by integrate-and-dump; it owns the
// polarity --auto turns. The frame capture takes only the bits it is handed
// and hands every frame to the frame layer.
#pragma once

#include "pelkin/decoder.h"

namespace sonde::pelkin {

void capture_loop(PelkinDecoder& d);

}  // namespace sonde::pelkin
