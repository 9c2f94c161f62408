// --robust: the weak-signal receiver in place of the slicer and sync ring;
// the frame layer turns its frames into records (CRC-guided correction
// included), printed as the default path prints its frames.
#pragma once

#include <memory>

#include "pelkin/decoder.h"
#include "pelkin/robust_receiver.h"
#include "receiver/sample_pump.h"

namespace sonde::pelkin {

struct RobustState {
    RobustReceiver rx;
    SoftFrameState frames;
    sonde::SamplePump pump;
};
using RobustRun = std::unique_ptr<RobustState>;

// After the header: false (with a message) when the sample rate is out of
// range or memory runs out.
bool robust_start(RobustRun& run, const PelkinDecoder& d, int err_fd);

// Decodes the input to its end.
void robust_capture(RobustRun& run, PelkinDecoder& d);

}  // namespace sonde::pelkin
