#include "sonderx/decimator.h"

#include <algorithm>

#include "iq/fir_design.h"

namespace sonde::sonderx {

void decimator_init(Decimator& d, int factor, int64_t in_rate_hz, int max_in) {
    d.factor = factor < 1 ? 1 : factor;
    d.max_in = max_in;
    const double rate = static_cast<double>(in_rate_hz);
    const double out_rate = rate / d.factor;
    // Passband to 0.38, stopband from 0.5 of the output rate: the -6 dB
    // point between them.
    constexpr double kAttenDb = 60.0;
    const int n = d.factor == 1 ? 1 : iq::kaiser_taps(0.12 * out_rate, rate, kAttenDb);
    const std::vector<double> h =
        d.factor == 1 ? std::vector<double>{1.0} : iq::kaiser_lowpass(n, 0.44 * out_rate, rate, kAttenDb);
    d.taps = static_cast<int>(h.size());
    d.h.resize(h.size());
    for (int k = 0; k < d.taps; k++)
        d.h[static_cast<std::size_t>(d.taps - 1 - k)] = static_cast<float>(h[static_cast<std::size_t>(k)]);
    d.buf.assign(static_cast<std::size_t>(d.taps - 1 + max_in), 0.0f);
    d.next = 0;
}

int decimator_run(Decimator& d, const float* in, int n, float* out) {
    n = std::min(n, d.max_in);
    const int hist = d.taps - 1;
    float* b = d.buf.data();
    std::copy(in, in + n, b + hist);
    const int total = hist + n;
    int p = hist + d.next;
    int written = 0;
    const float* h = d.h.data();
    for (; p < total; p += d.factor) {
        const float* x = b + p - hist;  // oldest sample of the window
        float acc = 0.0f;
        for (int k = 0; k < d.taps; k++) acc += h[k] * x[k];
        out[written++] = acc;
    }
    d.next = p - total;
    std::copy(b + n, b + total, b);  // the last taps - 1 samples become the history
    return written;
}

}  // namespace sonde::sonderx
