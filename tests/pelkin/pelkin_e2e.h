// Running the built pelkin on synthesized recordings.
#pragma once

#include <string>
#include <vector>

#include "pelkin/pelkin_synth.h"
#include "pelkin_expect.h"
#include "support/run_program.h"
#include "synth/wav_writer.h"

// A few frames, sent and recorded.
struct Sent {
    std::vector<PelkinFrameBytes> bytes;
    std::vector<std::string> air;
    PelkinRecording rec;
};

// Short idle gaps keep recordings small.
PelkinTx short_tx(double sample_rate = 48000.0);

// n frames numbered like pelkin-synth does (time + k seconds).
Sent send_frames(int n, const PelkinFields& f = PelkinFields{}, int extra_aa = 0, const PelkinTx& tx = short_tx());
// Records air bit strings as given.
Sent send_air(const std::vector<std::string>& air, const PelkinTx& tx = short_tx());

enum class Out { text, verbose, csv, hex, dump };
// Every line the frames give (all good), then the final newline.
std::string expected_output(const Sent& s, Out kind);
std::string expected_line(const ExpectBytes& b, Out kind, const std::string& frame_bits = "");

// Runs pelkin on the WAV image given as a file (appended as the last argument).
ProcessResult run_pelkin_file(const std::vector<std::string>& args, const std::string& wav);
ProcessResult run_pelkin_stdin(const std::vector<std::string>& args, const std::string& wav);

std::string wav_of(const std::vector<double>& signal, const WavSpec& wav_spec = WavSpec{});

// Lines of output that end with "[OK]\n".
int count_ok(const std::string& out);
