// WAV writing for test recordings: 8 or 16 bit, mono or stereo with the
// signal on a chosen channel, and the header shapes that common tools write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class WavHeaderStyle {
    plain,       // RIFF, 16-byte fmt chunk, data
    list_chunk,  // a LIST/INFO chunk between fmt and data
    fmt18,       // an 18-byte fmt chunk (cbSize 0), as ffmpeg and others write
    sizes_zero,  // RIFF and data sizes 0, as a streaming writer leaves them
    sizes_max,   // RIFF and data sizes 0xFFFFFFFF
};

struct WavSpec {
    int sample_rate = 48000;
    int bits = 16;           // 8 or 16
    int channels = 1;        // 1 or 2
    int signal_channel = 0;  // which channel carries the signal
    WavHeaderStyle style = WavHeaderStyle::plain;
};

// Header for data_bytes of sample data (sizes as the style dictates).
std::string wav_header(const WavSpec& wav_spec, uint64_t data_bytes);

// A whole file image: samples in [-1, 1] (clipped) as interleaved frames;
// the other channel, if any, carries `other` (or silence when it is shorter).
std::string wav_file(const WavSpec& wav_spec, const std::vector<double>& signal, const std::vector<double>& other = {});

// One sample converted as the file stores it (for tests that predict samples).
int wav_quantize(const WavSpec& wav_spec, double x);

bool write_file(const std::string& path, const std::string& bytes);
