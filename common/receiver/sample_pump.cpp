#include "receiver/sample_pump.h"

namespace sonde {

std::size_t pump_block(SamplePump& pump, WavInput& in) {
    const int n = read_signed_samples(in, pump.samples, kPumpBlock);
    const float scale = in.bits_sample == 16 ? 1.0f / 32768.0f : 1.0f / 128.0f;
    for (int i = 0; i < n; i++) pump.x[i] = static_cast<float>(pump.samples[i]) * scale;
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

}  // namespace sonde
