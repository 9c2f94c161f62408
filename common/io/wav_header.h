// The chunks of a RIFF/WAVE header up to the first sample, read strictly
// forward so that a pipe works like a file. Chunks may come in any order and
// unknown ones are passed over; the data chunk's size is kept but not relied
// on (streaming writers leave it 0 or 0xFFFFFFFF).
#pragma once

#include <cstdint>
#include <string>

#include "io/byte_source.h"
#include "io/input_error.h"
#include "io/sample_format.h"

namespace sonde {

struct WavHeader {
    SampleFormat format = SampleFormat::s16le;
    int bits = 0;  // valid bits per sample (20 in a 24-bit container, say)
    int channels = 0;
    int64_t rate_hz = 0;
    bool extensible = false;  // WAVE_FORMAT_EXTENSIBLE
    uint32_t data_size = 0;   // as written; 0 and 0xFFFFFFFF mean unknown
};

// The 12 bytes a WAV file starts with: "RIFF" (or "RF64", "BW64"), a size,
// "WAVE".
bool is_wav_start(const unsigned char* p, std::size_t n);

// Reads the chunks after those 12 bytes through the data chunk's header,
// leaving s at the first sample byte; already counts the 12 bytes in
// bytes_read. name is what messages call the input. Fails with
// header_cut_short, bad_header or unsupported_format; does not check the rate.
InputError parse_wav_header(ByteSource& s, const std::string& name, WavHeader& h, int64_t& bytes_read);

}  // namespace sonde
