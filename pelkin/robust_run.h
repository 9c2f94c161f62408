// --robust: the weak-signal receiver in place of the slicer and sync ring;
// its frames, after CRC-guided correction, go to the same frame handler.
#pragma once

#include "pelkin/pelkin_decoder.h"

namespace pelkin {

// Sample rates the receiver takes.
constexpr int kRobustMinRate = 8000;
constexpr int kRobustMaxRate = 768000;

// Decodes the input to its end. False (with a message) when the sample rate
// is out of range or memory runs out.
bool robust_capture(PelkinDecoder& d, int err_fd);

}  // namespace pelkin
