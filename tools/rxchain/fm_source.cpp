#include "fm_source.h"

#include <algorithm>
#include <cmath>

#include "dsp/vector_clones.h"

namespace rxchain {

namespace {

constexpr int kAudioBlock = 512;

// First capture sample at or after time t_s.
int64_t sample_at(double t_s, double fs) {
    const double n = std::ceil(t_s * fs);
    return n >= 9.0e18 ? std::numeric_limits<int64_t>::max() : static_cast<int64_t>(n);
}

// A signed value, within +-2^63, as 64-bit two's complement.
uint64_t fixed64(double v) { return static_cast<uint64_t>(std::llround(std::clamp(v, -9.2e18, 9.2e18))); }

// Phase steps (2^32 a turn) of the modulation at m samples that read the
// trajectory fq at u0, u0 + du, ...
VECTOR_CLONES void modulation_steps(const float* fq, float u0, float du, float to_step, int m, int32_t* step) {
    for (int j = 0; j < m; j++) {
        const float u = u0 + static_cast<float>(j) * du;
        const int i = static_cast<int>(u);
        const float fr = u - static_cast<float>(i);
        step[j] = static_cast<int32_t>((fq[i] + fr * (fq[i + 1] - fq[i])) * to_step);
    }
}

// Adds amp e^(j phase) for m phases (2^32 a turn): the quadrant from the top
// bits, then sine and cosine of at most an eighth of a turn by their series
// (error below 1e-7, spurs some 140 dB down), so the loop vectorises.
VECTOR_CLONES void add_carrier(const uint32_t* phase, int m, float amp, float* re, float* im) {
    constexpr float kToRad = 6.283185307179586f / 4294967296.0f;
    for (int j = 0; j < m; j++) {
        const uint32_t q = (phase[j] + 0x20000000u) >> 30;
        const float x = static_cast<float>(static_cast<int32_t>(phase[j] - (q << 30))) * kToRad;
        const float x2 = x * x;
        const float sn = x * (1.0f + x2 * (-1.0f / 6 + x2 * (1.0f / 120 + x2 * (-1.0f / 5040 + x2 * (1.0f / 362880)))));
        const float cs = 1.0f + x2 * (-0.5f + x2 * (1.0f / 24 + x2 * (-1.0f / 720 + x2 * (1.0f / 40320))));
        // Quadrants 1 and 3 swap sine and cosine; 1 and 2 negate the cosine,
        // 2 and 3 the sine.
        const bool swap = (q & 1u) != 0;
        const float c = swap ? sn : cs, s = swap ? cs : sn;
        re[j] += ((q + 1u) & 2u) ? -amp * c : amp * c;
        im[j] += (q & 2u) ? -amp * s : amp * s;
    }
}

// Off air at stop or at the end of a recording of audio_samples, whichever is first.
void settle_off(FmSource& s, uint64_t audio_samples) {
    const double end_s = std::min(s.cfg.start_s + static_cast<double>(audio_samples) / s.in->sample_rate, s.cfg.stop_s);
    s.off = std::max(s.on, sample_at(end_s, s.fs));
    s.off_known = true;
}

// Reads and upsamples until intermediate sample `last` is there; past the
// recording's end the upsampler is fed silence (its tail), and off is known.
void fill_to(FmSource& s, int64_t last) {
    while (s.freq_base + static_cast<int64_t>(s.freq.size()) <= last) {
        float* slot = upsampler_input(s.tx);
        int n = 0;
        if (!s.audio_end) {
            n = sonde::read_signed_samples(*s.in, s.raw.data(), kAudioBlock);
            for (int i = 0; i < n; i++)
                slot[i] = static_cast<float>(s.raw[static_cast<std::size_t>(i)]) * static_cast<float>(s.scale_hz);
            s.audio_read += static_cast<uint64_t>(n);
            if (n == 0) {
                s.audio_end = true;
                if (!s.off_known) settle_off(s, s.audio_read);
            }
        }
        if (n == 0) {
            n = kAudioBlock;
            std::fill(slot, slot + n, 0.0f);
        }
        const std::size_t at = s.freq.size();
        s.freq.resize(at + static_cast<std::size_t>(n * s.tx.up));
        upsampler_run(s.tx, n, s.freq.data() + at);
    }
}

}  // namespace

bool fm_source_init(FmSource& s, const FmSourceConfig& cfg, std::unique_ptr<sonde::WavInput> in, double fs) {
    const int rate = in ? in->sample_rate : 0;
    if (rate < 1000 || rate > 768000 || !(fs > 0.0) || !(cfg.deviation_hz > 0.0) || !(cfg.input_peak > 0.0) ||
        !(cfg.amplitude >= 0.0) || !(cfg.stop_s > cfg.start_s) || cfg.start_s < 0.0)
        return false;
    s.cfg = cfg;
    s.in = std::move(in);
    s.fs = fs;
    const int up = (192000 + rate - 1) / rate;
    s.fs_int = static_cast<double>(up) * rate;
    upsampler_init(s.tx, up, rate, kAudioBlock);
    s.delay_int = s.tx.delay * up;
    s.scale_hz = cfg.deviation_hz / cfg.input_peak;
    s.freq.reserve(static_cast<std::size_t>(8 * kAudioBlock * up));
    s.raw.assign(kAudioBlock, 0);
    s.on = sample_at(cfg.start_s, fs);
    s.off = sample_at(cfg.stop_s, fs);
    if (cfg.audio_samples >= 0) settle_off(s, static_cast<uint64_t>(cfg.audio_samples));
    return true;
}

void fm_source_add(FmSource& s, int64_t n0, int n, float* re, float* im, int& a, int& b) {
    auto clamp = [&](int64_t x) { return static_cast<int>(std::clamp<int64_t>(x - n0, 0, n)); };
    a = clamp(s.on);
    b = clamp(s.off);
    if (a >= b) return;
    // Where sample j reads the trajectory: u = (t_j - start) fs_int + delay.
    const double du = s.fs_int / s.fs;
    const double tau_a = static_cast<double>(n0 + a) / s.fs - s.cfg.start_s;
    const double u_a = tau_a * s.fs_int + s.delay_int;
    // One more than the last sample reads: its index is rounded in float.
    fill_to(s, static_cast<int64_t>(u_a + (b - 1 - a) * du) + 2);
    b = clamp(s.off);  // the recording may have ended within the block
    if (a >= b) return;

    if (s.cfg.amplitude > 0.0) {
        const int m = b - a;
        if (s.step.size() < static_cast<std::size_t>(m)) {
            s.step.resize(static_cast<std::size_t>(m));
            s.phase.resize(static_cast<std::size_t>(m));
        }
        modulation_steps(s.freq.data(), static_cast<float>(u_a - static_cast<double>(s.freq_base)),
                         static_cast<float>(du), static_cast<float>(4294967296.0 / s.fs), m, s.step.data());
        // The carrier's own step, offset plus drift, in 64-bit fixed point
        // (2^64 a turn), set again at each block from the true time.
        const double turns = (s.cfg.offset_hz + s.cfg.drift_hz_per_s * tau_a) / s.fs;
        uint64_t cs = fixed64((turns - std::round(turns)) * 18446744073709551616.0);
        const uint64_t ds = fixed64(s.cfg.drift_hz_per_s / (s.fs * s.fs) * 18446744073709551616.0);
        uint32_t pm = s.mod_phase;
        uint64_t cp = s.carrier_phase;
        for (int j = 0; j < m; j++) {
            pm += static_cast<uint32_t>(s.step[static_cast<std::size_t>(j)]);
            cp += cs;
            cs += ds;
            s.phase[static_cast<std::size_t>(j)] = pm + static_cast<uint32_t>(cp >> 32);
        }
        s.mod_phase = pm;
        s.carrier_phase = cp;
        add_carrier(s.phase.data(), m, static_cast<float>(s.cfg.amplitude), re + a, im + a);
    }

    // Keep the trajectory from the next block's first sample on.
    const int64_t keep = static_cast<int64_t>(u_a + (n - a) * du) - 1;
    const int64_t drop = std::min<int64_t>(keep - s.freq_base, static_cast<int64_t>(s.freq.size()));
    if (drop > 0) {
        s.freq.erase(s.freq.begin(), s.freq.begin() + drop);
        s.freq_base += drop;
    }
}

}  // namespace rxchain
