// rxchain's I/Q output: the transmitters' recordings opened, the capture
// made block by block and written as it is made, so that a capture of
// hours goes to a pipe in bounded memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "iq_capture.h"
#include "io/wav_input.h"
#include "iq_format.h"

namespace rxchain {

// One transmitter, every value settled.
struct IqSonde {
    std::string path;  // "-": standard input
    std::string kind;  // for --info
    double deviation_hz = 2400.0;
    double bit_rate = 9600.0;  // Eb is counted per this
    double ebn0_db = 20.0;     // used when the capture has noise
    double peak = -1.0;        // input peak, full scale 1.0; <= 0: measured (a file) or 0.5 (a pipe)
    double offset_hz = 0.0;
    double drift_hz_per_s = 0.0;
    double start_s = 0.0;
    double stop_s = 1e300;
    bool carrier = true;  // false: the recording only sets the length
};

struct IqOptions {
    IqFormat format = IqFormat::f32le;
    CaptureConfig capture;
    std::vector<IqSonde> sondes;
    double duration_s = -1.0;  // capture length; < 0: until the last transmitter is off
    bool info = false;
    std::string out_path = "-";
};

// Makes and writes the capture; returns the exit status (messages on
// standard error).
int iq_run(const IqOptions& o);

// Opens a recording ("-": standard input) at its first sample. A named file
// is scanned first: count gets its length in samples (0 from a pipe), and
// input_peak the level taken as the peak in the integer units the samples
// arrive in: peak (full scale 1) when above 0, else the file's largest
// magnitude, else 0.5. False with a message when it cannot be read.
bool open_recording(const std::string& path, double peak, sonde::WavInput& in, double& input_peak, uint64_t& count);

}  // namespace rxchain
