// Fuzz target: the WAV header parser and the sample reader on arbitrary
// bytes. The first byte picks the program settings (channel, nominal bit
// rate, sample counting); the rest is the stream.
#include <cstddef>
#include <cstdint>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

#include "io/wav_input.h"

using namespace sonde;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static const int null_fd = open("/dev/null", O_WRONLY);
    static auto in = std::make_unique<WavInput>();
    const uint8_t settings = data[0];
    *in = WavInput{};
    in->wav_channel = settings & 1;
    in->nominal_bit_rate = (settings & 6) == 0 ? 0.0f : (settings & 6) == 2 ? 9600.0f : 4800.0f;
    in->count_samples = (settings & 8) != 0;
    source_open_memory(in->src, data + 1, size - 1);
    if (read_wav_header(*in, null_fd) != 0) return 0;
    // Every sample frame consumes at least one byte, so this ends.
    uint64_t n = 0;
    while (read_signed_sample(*in) != kEndOfData) n++;
    if (in->count_samples && in->sample_count != n) __builtin_trap();
    return 0;
}
