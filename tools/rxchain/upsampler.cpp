#include "upsampler.h"

#include <algorithm>
#include <cstring>

#include "fir_design.h"
#include "dsp/vector_clones.h"

namespace rxchain {

namespace {

constexpr int kInterpHalf = 10;  // 2 * 10 + 1 taps per phase

// y[i] = sum_k h[k] x[i - k], k < n (x has n - 1 samples of history before it).
VECTOR_CLONES void fir_plain(const float* h, int n, const float* x, float* y, int m) {
    std::fill(y, y + m, 0.0f);
    int k = 0;
    for (; k + 4 <= n; k += 4) {
        const float h0 = h[k], h1 = h[k + 1], h2 = h[k + 2], h3 = h[k + 3];
        const float* a = x - k;
        for (int i = 0; i < m; i++) y[i] += h0 * a[i] + h1 * a[i - 1] + h2 * a[i - 2] + h3 * a[i - 3];
    }
    for (; k < n; k++) {
        const float hk = h[k];
        const float* a = x - k;
        for (int i = 0; i < m; i++) y[i] += hk * a[i];
    }
}

}  // namespace

void upsampler_init(Upsampler& u, int up, int audio_rate, int block) {
    u.up = up;
    if (up == 1) {
        u.k = 1;
        u.taps = {1.0f};
        u.delay = 0;
    } else {
        const int n = 2 * kInterpHalf * up + 1;
        const double fs = static_cast<double>(up) * audio_rate;
        const std::vector<double> h = lowpass_taps(n, 0.45 * audio_rate, fs);
        u.k = 2 * kInterpHalf + 1;
        u.taps.assign(static_cast<std::size_t>(up * u.k), 0.0f);
        for (int p = 0; p < up; p++)
            for (int i = 0; p + i * up < n; i++)
                u.taps[static_cast<std::size_t>(p * u.k + i)] =
                    static_cast<float>(up * h[static_cast<std::size_t>(p + i * up)]);
        u.delay = kInterpHalf;
    }
    u.hist.assign(static_cast<std::size_t>(u.k - 1 + block), 0.0f);
    u.tmp.assign(static_cast<std::size_t>(block), 0.0f);
}

void upsampler_run(Upsampler& u, int n, float* out) {
    const int L = u.up, K = u.k;
    float* ab = u.hist.data();
    float* t = u.tmp.data();
    for (int p = 0; p < L; p++) {
        fir_plain(u.taps.data() + p * K, K, ab + K - 1, t, n);
        for (int i = 0; i < n; i++) out[i * L + p] = t[i];
    }
    std::memmove(ab, ab + n, static_cast<std::size_t>(K - 1) * sizeof(float));
}

}  // namespace rxchain
