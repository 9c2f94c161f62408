// The inner loops of the I/Q front end, each over a whole block so that
// the vector width is chosen once per call (VECTOR_CLONES). Complex samples
// are interleaved floats, I then Q. Every sum runs in a fixed order of
// lanes, so the vector and the plain builds give the same bits.
#pragma once

#include <cstdint>

#include "dsp/fast_atan2.h"

namespace sonde::iq {

// A turn of phase is 2^32.
constexpr double kTurn = 4294967296.0;

// out[j] = in[j] e^(-i (phase + j step)), n complex samples.
void mix_down(const float* in, float* out, int n, uint32_t phase, uint32_t step);

// Taps of a complex-by-real dot product are stored twice (for I and for Q)
// and padded with zeros to a multiple of this many floats.
constexpr int kDotLanes = 16;

// y[m] = sum_i h2[i] x[m * 2 * stride + i] over i < len2 floats, I and Q apart:
// a decimating (stride > 1) or plain FIR over interleaved complex x whose
// taps h2 are reversed, doubled and padded (len2 a multiple of kDotLanes).
void fir_complex(const float* x, int stride, const float* h2, int len2, float* y, int n_out);

// A resampler's outputs, real: y[m] = sum_i bank[phase[m] * len + i] x[at[m] + i]
// over i < len (a multiple of kDotLanes).
void resample_real(const float* x, const float* bank, int len, const int32_t* at, const uint16_t* phase, float* y,
                   int n_out);

// Instantaneous frequency of z (complex, z[-1] the sample before), as
// angle(z[j] conj z[j-1]) * scale.
void discriminate(const float* z, float* out, int n, float scale);

// y[j] = sum_k h[k] x[j + k], k < taps, real.
void fir_real(const float* x, const float* h, int taps, float* y, int n);

}  // namespace sonde::iq
