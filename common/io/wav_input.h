// WAV input: the header parsed just far enough for channels, rate and sample
// width, then the chosen channel's samples. Read strictly forward, so a pipe
// works like a file; chunk sizes are never trusted (streaming writers leave
// them 0 or 0xFFFFFFFF): the data runs to the end of the stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "byte_source.h"

namespace sonde {

// Returned by read_signed_sample at the end of the data; outside every
// 8- and 16-bit sample range.
constexpr int kEndOfData = 0x1000000;

struct WavInput {
    ByteSource src;
    // From the header.
    int32_t channels = 0;
    int32_t sample_rate = 0;
    int32_t bits_sample = 0;
    float samples_per_bit = 0.0f;  // sample_rate / nominal_bit_rate
    uint64_t sample_count = 0;     // whole samples delivered so far
    // Per-program settings, fixed before the header is read.
    int32_t wav_channel = 0;        // channel to deliver (vardo's --ch2 picks 1)
    float nominal_bit_rate = 0.0f;  // 9600, 4800, or 0 for no samples per bit
    bool count_samples = true;
};

// Parses the header and writes the information lines to err_fd. Returns 0
// with the stream at the first sample byte, or -1 when the header is refused.
int read_wav_header(WavInput& in, int err_fd);

// A 16-bit little-endian sample.
inline int le16_sample(const unsigned char* p) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    int16_t x;
    std::memcpy(&x, p, sizeof x);  // the samples' own byte order
    return x;
#else
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | p[1] << 8));
#endif
}

// Where the chosen channel lives in a sample frame of the input.
struct FrameShape {
    std::size_t frame;  // bytes per sample frame
    std::size_t off;    // offset of the chosen channel's first byte
    int width;          // 1 or 2 bytes
    bool present;       // the file has the chosen channel
    int absent_value;   // sample value when it does not (the accumulator stays 0)
};

inline FrameShape frame_shape(const WavInput& in) {
    FrameShape f;
    f.width = in.bits_sample == 16 ? 2 : 1;
    f.frame = static_cast<std::size_t>(in.channels) * static_cast<std::size_t>(f.width);
    f.present = in.wav_channel < in.channels;
    f.off = f.present ? static_cast<std::size_t>(in.wav_channel) * static_cast<std::size_t>(f.width) : 0;
    f.absent_value = f.width == 2 ? 0 : -128;
    return f;
}

// The chosen channel's sample in the whole sample frame at `frame`.
inline int frame_sample(const FrameShape& f, const unsigned char* frame) {
    if (!f.present) return f.absent_value;
    const unsigned char* p = frame + f.off;
    return f.width == 2 ? le16_sample(p) : p[0] - 128;
}

// The whole sample frames already read in, for readers that scan them in
// place (the slicer, the integrate-and-dump sums, the DC filter).
struct RawFrames {
    const unsigned char* data;
    std::size_t frames;
};

inline RawFrames raw_frames(const WavInput& in, const FrameShape& f) {
    const ByteSource& s = in.src;
    return {s.data + s.pos, (s.len - s.pos) / f.frame};
}

// Takes n of those frames as read, as n calls of read_signed_sample would.
inline void consume_frames(WavInput& in, const FrameShape& f, std::size_t n) {
    in.src.pos += n * f.frame;
    if (in.count_samples) in.sample_count += n;
}

int read_signed_sample_slow(WavInput& in);

// Next sample of the chosen channel, or kEndOfData when the stream ends
// before a whole sample frame has arrived.
inline int read_signed_sample(WavInput& in) {
    ByteSource& s = in.src;
    const FrameShape f = frame_shape(in);
    if (s.len - s.pos < f.frame) return read_signed_sample_slow(in);
    const unsigned char* p = s.data + s.pos;
    s.pos += f.frame;
    if (in.count_samples) in.sample_count++;
    return frame_sample(f, p);
}

// Up to max (at least 1) samples into out, as that many calls of
// read_signed_sample would deliver them, but never waiting for more input
// than the first needs. Returns how many arrived; 0 at the end of the data.
int read_signed_samples(WavInput& in, int* out, int max);

}  // namespace sonde
