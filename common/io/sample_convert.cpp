#include "io/sample_convert.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace sonde {

namespace {

// Little-endian loads, byte by byte so that they hold on any host; compilers
// make single loads of them on little-endian machines.
inline float from_s16(const unsigned char* p) {
    return static_cast<float>(static_cast<int16_t>(static_cast<uint16_t>(p[0] | p[1] << 8))) * (1.0f / 32768.0f);
}
inline float from_s24(const unsigned char* p) {
    const uint32_t u =
        static_cast<uint32_t>(p[0]) << 8 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 24;
    return static_cast<float>(static_cast<int32_t>(u)) * (1.0f / 2147483648.0f);  // s * 2^8 / 2^31, exact
}
inline uint32_t le32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
inline float from_s32(const unsigned char* p) {
    // The conversion to float rounds once; the power-of-two scale is exact.
    return static_cast<float>(static_cast<int32_t>(le32(p))) * (1.0f / 2147483648.0f);
}
inline float from_f32(const unsigned char* p) {
    const uint32_t u = le32(p);
    float x;
    std::memcpy(&x, &u, sizeof x);
    return finite_or_zero(x);
}
inline float from_f64(const unsigned char* p) {
    const uint64_t u = le32(p) | static_cast<uint64_t>(le32(p + 4)) << 32;
    double x;
    std::memcpy(&x, &u, sizeof x);
    return std::fabs(x) <= FLT_MAX ? static_cast<float>(x) : 0.0f;  // NaN fails the test too
}

}  // namespace

FrameLayout make_layout(SampleFormat f, int channels, int first_channel, int values, bool iq) {
    FrameLayout l;
    l.format = f;
    l.width = sample_bytes(f);
    l.frame_bytes = static_cast<std::size_t>(channels) * static_cast<std::size_t>(l.width);
    l.offset = static_cast<std::size_t>(first_channel) * static_cast<std::size_t>(l.width);
    l.values = values;
    for (int b = 0; b < 256; b++) {
        if (f == SampleFormat::u8)
            l.table[b] = iq ? (static_cast<float>(b) - 127.5f) / 127.5f : static_cast<float>(b - 128) / 128.0f;
        else
            l.table[b] = static_cast<float>(static_cast<int8_t>(static_cast<uint8_t>(b))) / 128.0f;
    }
    return l;
}

void convert_frames(const FrameLayout& l, const unsigned char* p, std::size_t stride, std::size_t n, float* out) {
    auto run = [&](auto load) {
        if (l.values == 1) {
            for (std::size_t i = 0; i < n; i++) out[i] = load(p + i * stride);
        } else {
            for (std::size_t i = 0; i < n; i++) {
                const unsigned char* f = p + i * stride;
                out[2 * i] = load(f);
                out[2 * i + 1] = load(f + l.width);
            }
        }
    };
    const float* table = l.table;
    switch (l.format) {
        case SampleFormat::u8:
        case SampleFormat::s8:
            return run([table](const unsigned char* q) { return table[*q]; });
        case SampleFormat::s16le:
            return run(from_s16);
        case SampleFormat::s24le:
            return run(from_s24);
        case SampleFormat::s32le:
            return run(from_s32);
        case SampleFormat::f32le:
            return run(from_f32);
        case SampleFormat::f64le:
            return run(from_f64);
        case SampleFormat::other:
            return;  // decoded by libsndfile, never converted here
    }
}

}  // namespace sonde
