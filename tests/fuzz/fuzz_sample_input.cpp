// Fuzz target: sonderx's input layer on arbitrary bytes, every mode, format
// and channel count. Three settings bytes come first:
//   0: bits 0-1 the mode (recording, raw audio, raw I/Q, I/Q WAV),
//      bits 2-3 the raw format (s16le, u8, s8, f32le), bits 4-7 the largest
//      block asked for at once (1 + 37 * value)
//   1: bits 0-2 raw audio channels - 1, bits 3-6 the channel chosen
//   2: the size of the pieces the stream arrives in (0: all at once)
// The rest is the stream. It is read twice, all at once and in pieces; both
// must give the same finite samples.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "io/sample_input.h"

using namespace sonde;

namespace {

std::vector<float> read_all(SampleInput& in, int max) {
    std::vector<float> v;
    static std::vector<float> block(2 * 1024);
    for (;;) {
        const int n = in.format.iq ? input_read_iq(in, reinterpret_cast<std::complex<float>*>(block.data()), max)
                                   : input_read(in, block.data(), max);
        if (n < 0 || n > max) __builtin_trap();
        if (n == 0) break;
        v.insert(v.end(), block.begin(), block.begin() + n * (in.format.iq ? 2 : 1));
    }
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    static constexpr InputMode kModes[] = {InputMode::recording, InputMode::raw_audio, InputMode::raw_iq,
                                           InputMode::wav_iq};
    static constexpr SampleFormat kRaw[] = {SampleFormat::s16le, SampleFormat::u8, SampleFormat::s8,
                                            SampleFormat::f32le};
    InputConfig c;
    c.mode = kModes[data[0] & 3];
    c.raw_format = kRaw[data[0] >> 2 & 3];
    c.rate_hz = c.mode == InputMode::raw_iq ? 2048000 : 48000;
    c.channels = 1 + (data[1] & 7);
    c.channel = data[1] >> 3 & 15;
    const int max = 1 + 37 * (data[0] >> 4);
    const int64_t piece = data[2];

    static auto whole = std::make_unique<SampleInput>();
    static auto pieces = std::make_unique<SampleInput>();
    pieces->max_piece = piece;
    const InputError a = input_open_memory(*whole, data + 3, size - 3, "standard input", c);
    const InputError b = input_open_memory(*pieces, data + 3, size - 3, "standard input", c);
    if (a.code != b.code || a.message != b.message) __builtin_trap();
    if (a.failed()) return 0;

    const std::vector<float> x = read_all(*whole, 1024);
    const std::vector<float> y = read_all(*pieces, max);
    if (x != y) __builtin_trap();
    for (float v : x)
        if (!std::isfinite(v)) __builtin_trap();
    if (whole->samples * (whole->format.iq ? 2 : 1) != static_cast<int64_t>(x.size())) __builtin_trap();
    if (whole->bytes > static_cast<int64_t>(size - 3) || pieces->bytes != whole->bytes) __builtin_trap();
    return 0;
}
