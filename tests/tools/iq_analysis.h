// A capture read back and measured with code of the tests' own: the stored
// formats decoded, a Welch power spectrum (FFTW), and an FM discriminator.
#pragma once

#include <complex>
#include <string>
#include <vector>

using Iq = std::vector<std::complex<double>>;

// The samples of a capture in format u8, s8, s16le, f32le or wav (after its
// 44-byte header), full scale 1.0 at 2^(bits - 1) (u8 centred on 127.5).
Iq iq_decode(const std::string& format, const std::string& bytes);

// Mean power of Hann-windowed FFTs of n samples over x[from, to), in bins
// from -fs/2 up; the bins add up to the mean power of the samples.
struct Spectrum {
    double fs = 0.0;
    std::vector<double> p;
    double bin_hz() const { return fs / static_cast<double>(p.size()); }
    // Power in [f1, f2] Hz.
    double band(double f1, double f2) const;
    // Power-weighted mean frequency in [f1, f2] Hz.
    double centroid(double f1, double f2) const;
};
Spectrum spectrum(const Iq& x, std::size_t from, std::size_t to, double fs, int n = 4096);

// Instantaneous frequency (Hz) at each sample of x after mixing f0 down and
// a linear-phase low-pass at cutoff (its delay taken out).
std::vector<double> fm_demodulate(const Iq& x, double fs, double f0, double cutoff);
