// The sample encodings the input layer converts to float, their names on the
// command line (--raw s16le, --iq u8) and in messages.
#pragma once

#include "io/input_error.h"

namespace sonde {

// Little-endian, interleaved. u8 is offset binary (audio centre 128, I/Q
// centre 127.5); the wider integers are two's complement.
enum class SampleFormat { u8, s8, s16le, s24le, s32le, f32le, f64le, other };

// Bytes one value of the format takes; 0 for other.
int sample_bytes(SampleFormat f);
// "s16le", ...; "other" for encodings only libsndfile decodes.
const char* sample_format_name(SampleFormat f);
// "16-bit integer", "8-bit unsigned integer", "32-bit float", ...
const char* sample_format_description(SampleFormat f);

// The names --raw takes: s16le, u8, s8, f32le. Fails with bad_format.
InputError parse_raw_audio_format(const char* text, SampleFormat& f);
// The names --iq takes: u8, s8, s16le, f32le, and wav (is_wav set, f
// untouched). Fails with bad_format.
InputError parse_iq_format(const char* text, SampleFormat& f, bool& is_wav);

}  // namespace sonde
