// Tone detector for 1200 bit/s AFSK: decides for each 128-sample window
// whether the 2200 Hz tone (bit 0) or the 1200 Hz tone (bit 1) dominates.
// Three methods (ToneMethod): two single bins compared, a direct DFT of
// bins 0..63 with its strongest bin (-d1), a 128-point radix-2 FFT with its
// strongest bin (-d2). In double precision, sums in ascending sample order:
// every decision is reproducible to the last bit.
#pragma once

#include <complex>

#include "ostrel/tone_tables.h"

namespace sonde::ostrel {

enum class ToneMethod { two_bins, dft, fft };

constexpr int kDftSize = 128;                       // window and ring length
constexpr int kHannLength = 80;                     // non-zero part of the window
constexpr int kTwiddleCount = kDftSize * kDftSize;  // ew, indexed by k*n
constexpr int kDirectBins = 64;                     // bins filled by dft()
constexpr int kSearchedBins = 63;                   // bins max_bin() looks at
// dft_k reads ew[k*127]; k must stay at or below this.
constexpr int kMaxSingleBin = (kTwiddleCount - 1) / (kDftSize - 1);

constexpr int kToneUndecided = 8;
// Block decisions (fast_tone.h) besides 0 (2200 Hz) and 1 (1200 Hz).
constexpr int kToneKept = 2;      // methods 1, 2: the strongest bin lies near neither tone
constexpr int kToneNotFull = -2;  // the window is not full yet

using cplx = std::complex<double>;

// About 260 KiB (the 128 x 128 complex twiddle table): allocate once per
// run, never per sample.
struct ToneDetector {
    double Hann[kDftSize];
    double xn[kDftSize];
    cplx Z[kDftSize];
    cplx ew[kTwiddleCount];
    cplx fft_turn[7];  // e^{-i pi / 2^l}, the radix-2 stages' twiddle steps
    // Bin settings for the sample rate.
    double bin_2200 = 0.0;
    double bin_1200 = 0.0;
    double bin_tolerance = 0.0;
    int idx_2200 = 0;
    int idx_1200 = 0;
};

// Bin settings for the rate. False when the two-bin method would have to
// read beyond its twiddle table (rates below 2175 Hz); the settings are
// still filled in.
bool set_tone_bins(ToneDetector& d, int sample_rate);
// True when the method can run with the settings of set_tone_bins.
bool tone_method_fits(const ToneDetector& d, ToneMethod method);

// Fills the tables; sincos gives the twiddles (the tests pass the C
// library's to check that the default gives the same bits).
void init_dft(ToneDetector& d, SinCos sincos = sincos_reference);

// xn[n] = Hann[n] * window[n]: n = 0 is the oldest of the 128 samples.
void window_span(ToneDetector& d, const double* window);

double dft_k(const ToneDetector& d, int k);
void dft(ToneDetector& d);
void dft2(ToneDetector& d);
int max_bin(const ToneDetector& d);

// Decision from the strongest bin k of methods 1 and 2: 0 or 1 when k lies
// strictly inside the window around the 2200 Hz or the 1200 Hz bin (tested
// in that order), else tone_bit unchanged.
int tone_from_peak(const ToneDetector& d, int k, int tone_bit);

// Sets tone_bit from the current xn: 0 for 2200 Hz, 1 for 1200 Hz; methods
// 1 and 2 leave it unchanged when the strongest bin is near neither tone.
void tone_decision(ToneDetector& d, ToneMethod method, int& tone_bit);

}  // namespace sonde::ostrel
