#include "iq/kernels.h"

#include "dsp/vector_clones.h"

namespace sonde::iq {

VECTOR_CLONES void mix_down(const float* in, float* out, int n, uint32_t phase, uint32_t step) {
    constexpr float kToRad = 6.283185307179586f / 4294967296.0f;
    for (int j = 0; j < n; j++) {
        const uint32_t ph = phase + static_cast<uint32_t>(j) * step;
        // The quadrant from the top bits, then sine and cosine of at most an
        // eighth of a turn by their series (error below 1e-7).
        const uint32_t q = (ph + 0x20000000u) >> 30;
        const float x = static_cast<float>(static_cast<int32_t>(ph - (q << 30))) * kToRad;
        const float x2 = x * x;
        const float sn = x * (1.0f + x2 * (-1.0f / 6 + x2 * (1.0f / 120 + x2 * (-1.0f / 5040 + x2 * (1.0f / 362880)))));
        const float cs = 1.0f + x2 * (-0.5f + x2 * (1.0f / 24 + x2 * (-1.0f / 720 + x2 * (1.0f / 40320))));
        const bool swap = (q & 1u) != 0;
        const float c0 = swap ? sn : cs, s0 = swap ? cs : sn;
        const float c = ((q + 1u) & 2u) ? -c0 : c0;
        const float s = (q & 2u) ? -s0 : s0;
        const float re = in[2 * j], im = in[2 * j + 1];
        out[2 * j] = re * c + im * s;
        out[2 * j + 1] = im * c - re * s;
    }
}

namespace {

// Sixteen lanes, summed pairwise in a fixed order: even lanes are I, odd Q.
inline void dot_lanes(const float* x, const float* h, int len2, float& re, float& im) {
    float acc[kDotLanes] = {};
    for (int i = 0; i < len2; i += kDotLanes)
        for (int l = 0; l < kDotLanes; l++) acc[l] += h[i + l] * x[i + l];
    for (int w = kDotLanes / 2; w >= 2; w /= 2)
        for (int l = 0; l < w; l++) acc[l] += acc[l + w];
    re = acc[0];
    im = acc[1];
}

}  // namespace

VECTOR_CLONES void fir_complex(const float* x, int stride, const float* h2, int len2, float* y, int n_out) {
    for (int m = 0; m < n_out; m++) dot_lanes(x + 2 * m * stride, h2, len2, y[2 * m], y[2 * m + 1]);
}

VECTOR_CLONES void resample_real(const float* x, const float* bank, int len, const int32_t* at, const uint16_t* phase,
                                 float* y, int n_out) {
    for (int m = 0; m < n_out; m++) {
        const float* h = bank + static_cast<int>(phase[m]) * len;
        const float* v = x + at[m];
        float acc[kDotLanes] = {};
        for (int i = 0; i < len; i += kDotLanes)
            for (int l = 0; l < kDotLanes; l++) acc[l] += h[i + l] * v[i + l];
        for (int w = kDotLanes / 2; w >= 1; w /= 2)
            for (int l = 0; l < w; l++) acc[l] += acc[l + w];
        y[m] = acc[0];
    }
}

VECTOR_CLONES void discriminate(const float* z, float* out, int n, float scale) {
    for (int j = 0; j < n; j++) {
        const float x = z[2 * j], y = z[2 * j + 1], px = z[2 * j - 2], py = z[2 * j - 1];
        out[j] = fast_atan2(y * px - x * py, x * px + y * py) * scale;
    }
}

VECTOR_CLONES void fir_real(const float* x, const float* h, int taps, float* y, int n) {
    for (int j = 0; j < n; j++) y[j] = h[0] * x[j];
    for (int k = 1; k < taps; k++) {
        const float hk = h[k];
        const float* xk = x + k;
        for (int j = 0; j < n; j++) y[j] += hk * xk[j];
    }
}

}  // namespace sonde::iq
