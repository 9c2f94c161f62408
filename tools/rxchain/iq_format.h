// The sample formats an SDR capture is stored in, each complex sample as I
// then Q, full scale 1.0 at 2^(bits - 1), the scale the project's input
// layer reads them with:
//   u8     offset binary, 127.5 + 128 x, as rtl_sdr writes
//   s8     signed, 128 x, as a HackRF writes
//   s16le  signed 16-bit little-endian, 32768 x
//   f32le  32-bit IEEE float little-endian, as it is (never clipped)
//   wav    a two-channel 16-bit WAV, I left and Q right, as s16le
// Integer formats round to the nearest step, halves up, and clip to the
// values the format holds.
#pragma once

#include <cstdint>
#include <string_view>

namespace rxchain {

enum class IqFormat { u8, s8, s16le, f32le, wav };

// By name, the names the input layer reads them by (u8, s8, s16le, f32le,
// wav); false for any other.
bool iq_format_from_name(std::string_view name, IqFormat& format);

// Bytes of one complex sample.
int iq_sample_bytes(IqFormat format);

// n complex samples to out (n * iq_sample_bytes bytes); returns how many of
// the 2 n values were clipped.
long iq_encode(IqFormat format, const float* i, const float* q, int n, unsigned char* out);

}  // namespace rxchain
