#include "iq/channelizer.h"

#include <cmath>
#include <cstring>

#include "dsp/vector_clones.h"
#include "iq/fir_design.h"

namespace sonde::iq {

namespace {

// acc[s] = sum_p g[p m2 + s] w[p m2 + s], s < m2 floats, p < k.
VECTOR_CLONES void polyphase_sum(const float* g, const float* w, int m2, int k, float* acc) {
    for (int s = 0; s < m2; s++) acc[s] = g[s] * w[s];
    for (int p = 1; p < k; p++) {
        const float* gp = g + p * m2;
        const float* wp = w + p * m2;
        for (int s = 0; s < m2; s++) acc[s] += gp[s] * wp[s];
    }
}

}  // namespace

bool channelizer_init(Channelizer& c, double rate, int channels, double pass_hz, int block) {
    if (channels < 2 || channels % 2 != 0 || block % (channels / 2) != 0 || !(rate > 0.0)) return false;
    c.rate = rate;
    c.channels = channels;
    c.hop = channels / 2;
    const double spacing = rate / channels;
    const double stop = 2.0 * spacing - pass_hz;
    if (!(stop > pass_hz)) return false;
    int taps = kaiser_taps(stop - pass_hz, rate, 60.0);
    const int k = (taps + channels - 1) / channels;
    c.taps = k * channels;
    // The prototype's length is a whole number of bands' worth (centred
    // within it); the cutoff lies midway, at the spacing.
    const std::vector<double> h = kaiser_lowpass(c.taps - 1, spacing, rate, 60.0);
    c.g2.assign(2 * static_cast<std::size_t>(c.taps), 0.0f);
    for (int i = 0; i + 1 < c.taps; i++) {
        const float v = static_cast<float>(h[static_cast<std::size_t>(i)]);
        // g[q] = h[taps - 1 - q]: tap taps - 1 is the zero pad, so g[0] = 0.
        const int q = c.taps - 1 - i;
        c.g2[2 * static_cast<std::size_t>(q)] = v;
        c.g2[2 * static_cast<std::size_t>(q) + 1] = v;
    }
    c.hist.assign(2 * static_cast<std::size_t>(c.taps - 1 + block), 0.0f);
    c.acc.assign(2 * static_cast<std::size_t>(channels), 0.0f);
    c.in = fftw_buffer(channels);
    c.out = fftw_buffer(channels);
    c.plan = fftw_plan_1d(channels, c.in.get(), c.out.get(), FFTW_BACKWARD);
    c.frames.assign(2 * static_cast<std::size_t>(block / c.hop) * static_cast<std::size_t>(channels), 0.0f);
    c.frame_count = 0;
    c.hops = 0;
    return c.in && c.out && c.plan;
}

void channelizer_run(Channelizer& c, const float* iq, int n) {
    c.hops += static_cast<uint64_t>(c.frame_count);
    const int held = c.taps - 1;
    float* h = c.hist.data();
    std::memcpy(h + 2 * held, iq, sizeof(float) * 2 * static_cast<std::size_t>(n));
    const int m = c.channels;
    c.frame_count = n / c.hop;
    for (int f = 0; f < c.frame_count; f++) {
        // The window of taps samples whose newest is the hop's last sample.
        const float* w = h + 2 * (f * c.hop + c.hop - 1 + held - (c.taps - 1));
        polyphase_sum(c.g2.data(), w, 2 * m, c.taps / m, c.acc.data());
        // u[r] = acc[m - 1 - r]; the FFT sums u[r] e^(+i 2 pi k r / m).
        for (int r = 0; r < m; r++) {
            c.in[r][0] = c.acc[2 * static_cast<std::size_t>(m - 1 - r)];
            c.in[r][1] = c.acc[2 * static_cast<std::size_t>(m - 1 - r) + 1];
        }
        fftwf_execute(c.plan.get());
        std::memcpy(c.frames.data() + 2 * static_cast<std::size_t>(f) * static_cast<std::size_t>(m), c.out.get(),
                    sizeof(float) * 2 * static_cast<std::size_t>(m));
    }
    std::memmove(h, h + 2 * n, sizeof(float) * 2 * static_cast<std::size_t>(held));
}

int channelizer_band(const Channelizer& c, double offset_hz) {
    const int k = static_cast<int>(std::lround(offset_hz / (c.rate / c.channels)));
    return ((k % c.channels) + c.channels) % c.channels;
}

double channelizer_centre(const Channelizer& c, int band) {
    const int k = band > c.channels / 2 ? band - c.channels : band;
    return k * c.rate / c.channels;
}

}  // namespace sonde::iq
