// The one way the programs' input reaches a receiver: the chosen channel of
// the WAV input, 8 or 16 bits, in blocks of samples at full scale +-1. An
// integer sample s becomes s / 128 or s / 32768, exact in float.
//
//   SamplePump pump;
//   while (std::size_t n = pump_block(pump, in)) receiver_feed(rx, pump.x, n, sink);
#pragma once

#include <cstddef>

#include "io/wav_input.h"

namespace sonde {

constexpr int kPumpBlock = 4096;

struct SamplePump {
    int samples[kPumpBlock];
    float x[kPumpBlock];
};

// The next block into pump.x: how many samples arrived, 0 at the end of the
// data. Never waits for more input than the block's first sample needs.
std::size_t pump_block(SamplePump& pump, WavInput& in);

}  // namespace sonde
