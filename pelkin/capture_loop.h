// The one loop: runs from the slicer into the sync ring, 500 frame bits after
// each sync word into the frame handler, until the audio ends.
#pragma once

#include "pelkin/decoder.h"

namespace sonde::pelkin {

// A short run (under half a bit) with more than this many bits collected is
// taken as the signal breaking down: the frame is finished with '0' bits.
constexpr int kLateLossBits = 350;

void capture_loop(PelkinDecoder& d);

}  // namespace sonde::pelkin
