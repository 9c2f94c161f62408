// The weak-signal receive path as the program runs it: samples from the
// input in blocks, pushed through the receiver; each frame it delivers is
// decided (check-guided correction included) and handed to the frame
// handler like a capture of the default path.
#pragma once

#include "vardo/vardo_decoder.h"

namespace vardo {

// What the receiver measured on the last frame it handed on.
struct RobustQuality {
    int corrected = 0;
    float snr_db = 0.0f;
    float dc = 0.0f;
};

// Reads the input to its end; returns 0 like the capture loop.
int robust_capture(VardoDecoder& v, RobustQuality* last = nullptr);

}  // namespace vardo
