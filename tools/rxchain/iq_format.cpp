#include "iq_format.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace rxchain {

namespace {

// floor(offset + scale x + 0.5) within [lo, hi], counting the values that fall beyond.
inline int quantize(float x, float scale, float offset, int lo, int hi, long& clipped) {
    const float v = std::floor(offset + scale * x + 0.5f);
    if (v < static_cast<float>(lo) || v > static_cast<float>(hi)) {
        clipped++;
        return v < static_cast<float>(lo) ? lo : hi;
    }
    return static_cast<int>(v);
}

inline void put_le16(unsigned char* p, int v) {
    p[0] = static_cast<unsigned char>(v & 0xFF);
    p[1] = static_cast<unsigned char>((v >> 8) & 0xFF);
}

inline void put_le_float(unsigned char* p, float f) {
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    for (int k = 0; k < 4; k++) p[k] = static_cast<unsigned char>(b >> (8 * k));
}

}  // namespace

bool iq_format_from_name(std::string_view name, IqFormat& format) {
    static constexpr std::string_view kNames[] = {"u8", "s8", "s16le", "f32le", "wav"};  // in IqFormat's order
    const auto* at = std::find(std::begin(kNames), std::end(kNames), name);
    if (at != std::end(kNames)) format = static_cast<IqFormat>(at - std::begin(kNames));
    return at != std::end(kNames);
}

int iq_sample_bytes(IqFormat format) {
    static constexpr int kBytes[] = {2, 2, 4, 8, 4};  // in IqFormat's order
    return kBytes[static_cast<int>(format)];
}

long iq_encode(IqFormat format, const float* i, const float* q, int n, unsigned char* out) {
    long clipped = 0;
    switch (format) {
        case IqFormat::u8:
            for (int k = 0; k < n; k++) {
                out[2 * k] = static_cast<unsigned char>(quantize(i[k], 128.0f, 127.5f, 0, 255, clipped));
                out[2 * k + 1] = static_cast<unsigned char>(quantize(q[k], 128.0f, 127.5f, 0, 255, clipped));
            }
            break;
        case IqFormat::s8:
            for (int k = 0; k < n; k++) {
                out[2 * k] = static_cast<unsigned char>(quantize(i[k], 128.0f, 0.0f, -128, 127, clipped));
                out[2 * k + 1] = static_cast<unsigned char>(quantize(q[k], 128.0f, 0.0f, -128, 127, clipped));
            }
            break;
        case IqFormat::s16le:
        case IqFormat::wav:
            for (int k = 0; k < n; k++) {
                put_le16(out + 4 * k, quantize(i[k], 32768.0f, 0.0f, -32768, 32767, clipped));
                put_le16(out + 4 * k + 2, quantize(q[k], 32768.0f, 0.0f, -32768, 32767, clipped));
            }
            break;
        case IqFormat::f32le:
            for (int k = 0; k < n; k++) {
                put_le_float(out + 8 * k, i[k]);
                put_le_float(out + 8 * k + 4, q[k]);
            }
            break;
    }
    return clipped;
}

}  // namespace rxchain
