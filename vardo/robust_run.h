// The weak-signal receive path as the program runs it: samples from the
// input in blocks, pushed through the receiver; the frame layer turns each
// frame it delivers into a record (check-guided correction included), which
// is printed as a capture's would be.
#pragma once

#include "vardo/decoder.h"

namespace sonde::vardo {

// Reads the input to its end, channel bits at bit_rate. Each frame reaches
// the output with the receive quality measured on it (bits corrected, SNR,
// DC level).
void robust_capture(VardoDecoder& v, float bit_rate);

}  // namespace sonde::vardo
