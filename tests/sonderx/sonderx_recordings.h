// Recordings for sonderx's tests, made with the synthesizers: frames of
// each kind with known contents, alone or in turn through the simulated
// FM receiver, and the sonderx run on them.
#pragma once

#include <string>
#include <vector>

#include "support/run_program.h"

// What was sent in one frame, as sonderx's CSV row shows it.
struct SentFrame {
    std::string kind;
    double lat = 0.0, lon = 0.0;
};

struct Sent {
    std::vector<double> audio;  // full scale 1
    std::vector<SentFrame> frames;
};

// n frames of a kind, clean, at the given rate; positions unique to the
// kind and to `first` (the index of the first frame).
Sent sent_frames(const std::string& kind, int n, int first = 0, double rate = 48000.0);

// Appends b to a.
void append_sent(Sent& a, const Sent& b);

// One stretch of a stream through the simulated receiver: a kind's frames
// at an Eb/N0 and a carrier offset.
struct Stretch {
    std::string kind;
    int frames = 3;
    double ebn0_db = 20.0;
    double offset_hz = 0.0;
};

// The stretches in turn, each through the receiver of its kind, at one full
// scale (the discriminator's Hz mapped alike), noise from seed on.
Sent through_receiver(const std::vector<Stretch>& stretches, unsigned seed);

// Samples in [-1, 1] as a WAV file image or as raw samples, in one of the
// encodings u8, s8, s16le, s24le, s32le, f32le, f64le; with several
// channels the signal is on `channel`, silence on the others.
struct Encoding {
    std::string format = "s16le";
    int channels = 1;
    int channel = 0;
    bool extensible = false;  // WAVE_FORMAT_EXTENSIBLE
};
std::string raw_image(const std::vector<double>& x, const Encoding& e = {});
std::string wav_image(const std::vector<double>& x, int rate, const Encoding& e = {});

// A row of sonderx --csv.
struct Row {
    std::string utc, kind, serial, frame;
    double lat = 0.0, lon = 0.0;
    bool ok = false;
    std::string note;
    std::vector<std::string> cells;  // every column as written (from I/Q: offset_hz, freq_hz, level_dbfs last)
};
std::vector<Row> csv_rows(const std::string& out);

// sonderx with args; the recording as a file (named last on the command
// line) or, on_stdin, through a pipe.
ProcessResult run_sonderx(std::vector<std::string> args, const std::string& input, bool on_stdin = false);

// A file's bytes written (a test failure when they cannot be).
void write_bytes(const std::string& path, const std::string& data);

// n frames of kind through rxchain's I/Q capture with these options (the
// kind's profile, --iq-out and the rest) into dir's file "capture"; its path,
// or "" when rxchain failed.
std::string iq_capture_of(const TempDir& dir, const char* kind, int n, std::vector<std::string> options);
