// Signal shapes for test recordings, as floating-point samples in [-1, 1].
// Every generator keeps exact time: bit k begins at the first sample at or
// after k * sample_rate / bit_rate, so fractional samples per bit (44100 Hz)
// never drift, however long the recording.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Two-level baseband, as a receiver's discriminator delivers FSK.
struct BasebandGen {
    double sample_rate = 48000.0;
    double bit_rate = 9600.0;
    double amplitude = 0.5;  // level of a '1'; a '0' is -amplitude
    double bits_sent = 0.0;  // time in bit periods
    uint64_t samples = 0;    // samples written
};

// Appends '0'/'1' characters (anything else is taken as '0') as levels.
void baseband_bits(BasebandGen& g, std::vector<double>& out, std::string_view bits);
// Holds a level (in units of amplitude: +1, -1, or 0 for silence) for nbits bit periods.
void baseband_hold(BasebandGen& g, std::vector<double>& out, double level, double nbits);

// Phase-continuous two-tone audio (AFSK): bit 1 and bit 0 each have a tone.
struct AfskGen {
    double sample_rate = 48000.0;
    double baud = 1200.0;
    double freq_one = 1200.0;
    double freq_zero = 2200.0;
    double amplitude = 0.5;
    double phase = 0.0;  // radians
    double bits_sent = 0.0;
    uint64_t samples = 0;
};

void afsk_bits(AfskGen& g, std::vector<double>& out, std::string_view bits);

// Each byte as a 10-bit group of '0'/'1': start bit 0, the data bits least
// significant first, stop bit 1.
std::string ten_bit_groups(const uint8_t* bytes, std::size_t n);

// v's low `width` bytes at p, most significant first.
inline void put_be(uint8_t* p, uint32_t v, int width) {
    for (int i = 0; i < width; i++) p[i] = static_cast<uint8_t>(v >> (8 * (width - 1 - i)));
}

// Gaussian noise at the given signal-to-noise ratio (dB, against the mean
// power of `x` itself), from a fixed seed: the same seed gives the same noise.
void add_noise(std::vector<double>& x, double snr_db, uint64_t seed);
// Gaussian noise of a given standard deviation.
void add_noise_sigma(std::vector<double>& x, double sigma, uint64_t seed);

// Constant offset.
void add_dc(std::vector<double>& x, double offset);
// Slow sinusoidal wander of the offset: amplitude, period in seconds.
void add_dc_drift(std::vector<double>& x, double sample_rate, double amplitude, double period_s);

// Moving-average low-pass of `taps` samples (centred), as a receiver's
// bandwidth rounds the edges of a baseband signal.
void smooth(std::vector<double>& x, int taps);

// Deterministic Gaussian source (Box-Muller on a 64-bit generator), so that
// recordings are the same on every machine and library.
struct Gaussian {
    uint64_t state;
    bool has_spare = false;
    double spare = 0.0;
};
Gaussian gaussian_seeded(uint64_t seed);
double gaussian_next(Gaussian& g);
