#include "iq_format.h"

#include <cstring>

namespace rxchain {

namespace {

// Rounds x * top to the nearest integer (halves away from zero) after
// clipping x to [-1, 1].
inline int quantize(float x, float top, long& clipped) {
    if (x > 1.0f || x < -1.0f) {
        clipped++;
        x = x > 0.0f ? 1.0f : -1.0f;
    }
    const float v = x * top;
    return static_cast<int>(v + (v >= 0.0f ? 0.5f : -0.5f));
}

// 127.5 x + 127.5 rounded, halves up: floor(127.5 x + 128).
inline unsigned char offset_binary(float x, long& clipped) {
    if (x > 1.0f || x < -1.0f) {
        clipped++;
        x = x > 0.0f ? 1.0f : -1.0f;
    }
    const int v = static_cast<int>(x * 127.5f + 128.0f);
    return static_cast<unsigned char>(v > 255 ? 255 : v);
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
    static constexpr struct {
        std::string_view name;
        IqFormat format;
    } kNames[] = {{"u8", IqFormat::u8},
                  {"s8", IqFormat::s8},
                  {"s16le", IqFormat::s16le},
                  {"f32le", IqFormat::f32le},
                  {"wav", IqFormat::wav}};
    for (const auto& e : kNames)
        if (e.name == name) {
            format = e.format;
            return true;
        }
    return false;
}

int iq_sample_bytes(IqFormat format) {
    switch (format) {
        case IqFormat::u8:
        case IqFormat::s8:
            return 2;
        case IqFormat::s16le:
        case IqFormat::wav:
            return 4;
        case IqFormat::f32le:
            return 8;
    }
    return 0;
}

long iq_encode(IqFormat format, const float* i, const float* q, int n, unsigned char* out) {
    long clipped = 0;
    switch (format) {
        case IqFormat::u8:
            for (int k = 0; k < n; k++) {
                out[2 * k] = offset_binary(i[k], clipped);
                out[2 * k + 1] = offset_binary(q[k], clipped);
            }
            break;
        case IqFormat::s8:
            for (int k = 0; k < n; k++) {
                out[2 * k] = static_cast<unsigned char>(quantize(i[k], 127.0f, clipped));
                out[2 * k + 1] = static_cast<unsigned char>(quantize(q[k], 127.0f, clipped));
            }
            break;
        case IqFormat::s16le:
        case IqFormat::wav:
            for (int k = 0; k < n; k++) {
                put_le16(out + 4 * k, quantize(i[k], 32767.0f, clipped));
                put_le16(out + 4 * k + 2, quantize(q[k], 32767.0f, clipped));
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
