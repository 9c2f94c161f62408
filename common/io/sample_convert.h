// Interleaved sample frames to floats at full scale +-1, a block at a time:
// the wanted values (one audio channel, or I and Q) are picked out of each
// frame and converted with one loop per format, no call per sample.
#pragma once

#include <cstddef>

#include "io/sample_format.h"

namespace sonde {

struct FrameLayout {
    SampleFormat format = SampleFormat::s16le;
    std::size_t frame_bytes = 2;  // one value of every channel
    std::size_t offset = 0;       // first byte of the first wanted value in a frame
    int width = 2;                // bytes per value
    int values = 1;               // wanted values per frame: 1 (audio) or 2 (I, Q)
    float table[256] = {};        // u8 and s8: byte -> float
};

// values consecutive channels from first_channel on, of channels in all.
// iq: u8 is centred on 127.5 (rtl_sdr's offset binary) instead of 128.
FrameLayout make_layout(SampleFormat f, int channels, int first_channel, int values, bool iq);

// n frames, frame i's wanted values starting at p + i * stride; writes
// n * values floats. Integers scale by 2^-(bits-1) (u8 audio: (s - 128) /
// 128); floats pass as they are, except that NaN, infinities and doubles
// beyond float's range become 0 so that one bad value cannot poison a filter.
void convert_frames(const FrameLayout& layout, const unsigned char* p, std::size_t stride, std::size_t n, float* out);

// The same cleaning for floats decoded elsewhere (libsndfile).
inline float finite_or_zero(float x) { return x - x == 0.0f ? x : 0.0f; }

}  // namespace sonde
