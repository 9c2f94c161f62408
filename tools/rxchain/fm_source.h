// One sonde's transmitter in an I/Q capture, the audio chain's transmitter
// at any capture rate. Model:
//   the clean recording, scaled so that its peak is the deviation, goes up
//   to an intermediate rate of at least 192 kHz through the chain's
//   polyphase low-pass (0.45 of the audio rate); each capture sample reads
//   that frequency trajectory at its own time by linear interpolation
//   (0.1 dB down at 10 kHz, images 50 dB down);
//   FM on a carrier of a given amplitude at offset + drift * (t - start) Hz,
//   its phase the sum of the modulation's (32-bit) and the carrier's own
//   (64-bit, so that a slow drift adds up exactly);
//   on air from start (when the recording's first sample goes out) until
//   stop or the end of the recording, whichever comes first: a recording
//   shorter than its span ends there and is not repeated.
// Times are true times; the capture's true rate carries its clock error.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "upsampler.h"
#include "io/wav_input.h"

namespace rxchain {

struct FmSourceConfig {
    double deviation_hz = 2400.0;  // of the input's peak
    double input_peak = 16383.5;   // input level (in the units samples arrive in) that maps to deviation_hz
    double amplitude = 1.0;        // carrier amplitude; 0 reads the recording but sends nothing
    double offset_hz = 0.0;        // carrier offset from the capture's centre at start
    double drift_hz_per_s = 0.0;
    double start_s = 0.0;
    double stop_s = std::numeric_limits<double>::infinity();
    int64_t audio_samples = -1;  // the recording's length when known beforehand, -1 when not
};

struct FmSource {
    FmSourceConfig cfg;
    std::unique_ptr<sonde::WavInput> in;
    double fs = 0.0;      // the capture's true rate
    double fs_int = 0.0;  // intermediate rate
    double scale_hz = 0.0;
    int delay_int = 0;  // the upsampler's delay in intermediate samples
    Upsampler tx;
    std::vector<float> freq;  // intermediate samples freq_base, freq_base + 1, ... (Hz)
    int64_t freq_base = 0;
    std::vector<int> raw;
    uint64_t audio_read = 0;
    bool audio_end = false;
    int64_t on = 0;  // capture samples [on, off) carry the carrier
    int64_t off = std::numeric_limits<int64_t>::max();
    bool off_known = false;       // off is final (the recording's length is known)
    uint32_t mod_phase = 0;       // the modulation's phase, 2^32 a turn
    uint64_t carrier_phase = 0;   // offset and drift's phase, 2^64 a turn
    std::vector<int32_t> step;    // per sample of a block: the modulation's phase step
    std::vector<uint32_t> phase;  // and the whole phase
};

// Sets up a new transmitter reading `in` (its header already read) for a
// capture at true rate fs. False when the recording's rate or the
// settings make no transmitter.
bool fm_source_init(FmSource& s, const FmSourceConfig& cfg, std::unique_ptr<sonde::WavInput> in, double fs);

// Adds the carrier to capture samples [n0, n0 + n) (re, im indexed from
// n0) and returns in [a, b) the part of them it is on air. Blocks come in
// order; reads the recording as far as they need.
void fm_source_add(FmSource& s, int64_t n0, int n, float* re, float* im, int& a, int& b);

}  // namespace rxchain
