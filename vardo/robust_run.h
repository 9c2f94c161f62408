// The weak-signal receive path as the program runs it: samples from the
// input in blocks, pushed through the receiver; each frame it delivers is
// decided (check-guided correction included) and handed to the frame
// layer as its bytes.
#pragma once

#include "vardo/decoder.h"

namespace sonde::vardo {

// Reads the input to its end. Each frame reaches the frame layer with the
// receive quality measured on it (bits corrected, SNR, DC level).
void robust_capture(VardoDecoder& v);

}  // namespace sonde::vardo
