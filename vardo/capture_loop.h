// The receive loop reads the samples: slicer runs while it searches the sync
// word, then the frame's channel bits as runs or (-b1, -b2) channel bits or
// symbols by integrate-and-dump. The frame capture takes only what it is
// handed and hands every frame it completes to the frame layer.
#pragma once

#include "vardo/decoder.h"

namespace sonde::vardo {

struct CaptureState {
    bool collecting = false;
    int count = 0;   // channel bits collected; data bits once symbols are taken
    int symbol = 0;  // the last symbol, while symbols are taken
};

// Runs until the audio data ends.
void capture_loop(VardoDecoder& v);

}  // namespace sonde::vardo
