// Options shared by every synthesizer command line: the WAV shape, the
// impairments, and where the file goes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "synth/wav_writer.h"

struct SynthOutput {
    WavSpec wav;
    double amplitude = 0.5;  // peak of the clean signal, full scale 1.0
    bool invert = false;     // negate the signal (reversed polarity)
    bool noise = false;
    double snr_db = 20.0;
    uint64_t seed = 1;
    double dc = 0.0;     // constant offset
    double drift = 0.0;  // amplitude of a slow offset wander
    double drift_period_s = 4.0;
    int smooth_taps = 0;
    std::string out_path = "-";  // "-" is standard output
    // --sent: each frame as one line of upper-case hexadecimal (the frames a
    // recording carries, for counting what a decoder got right); "" for none.
    std::string sent_path;
};

// The whole of s as a number.
bool parse_double(const char* s, double& v);

// Looks at argv[i]; if it is a common option, consumes it (and its value,
// advancing i) and returns 1. Returns 0 for any other argument and -1 after
// writing a message for a bad value.
int synth_parse_common(SynthOutput& o, int argc, char** argv, int& i);

// Usage lines for the common options.
const char* synth_common_usage();

// Writes the frames sent (with --sent); applies polarity, smoothing, offset,
// drift and noise, in that order, and writes the WAV file. False (with a
// message) when a file cannot be written.
bool synth_finish(const SynthOutput& o, const std::vector<std::vector<uint8_t>>& sent, std::vector<double>& signal);
