// The capture loop: slicer runs become channel bits, every channel bit goes
// through the sync ring, and after a sync word the frame's channel bits are
// collected and handed to the frame handler.
#pragma once

#include "vardo/decoder.h"

namespace sonde::vardo {

struct CaptureState {
    bool collecting = false;
    int count = 0;  // characters collected
};

// Runs until the audio data ends.
void capture_loop(VardoDecoder& v);

}  // namespace sonde::vardo
