// `ostrel --robust`: the weak-signal receive path from the WAV input to the
// frame handler, which prints exactly as for the default path.
#pragma once

#include "ostrel/options.h"
#include "ostrel/frame_layer.h"
#include "io/wav_input.h"

namespace sonde::ostrel {

// Decodes the rest of the input (header read) with the weak-signal path.
void run_robust(WavInput& in, PacketOutput& out, const OstrelOptions& opt, int out_fd);

}  // namespace sonde::ostrel
