// Recordings for the end-to-end tests and running the built program on them.
#pragma once

#include <string>
#include <vector>

#include "support/run_program.h"
#include "synth/wav_writer.h"
#include "vardo/vardo_synth.h"
#include "vardo_expect.h"

struct RecordingShape {
    WavSpec wav;
    bool invert = false;
    double snr_db = 0.0;  // 0: no noise
    uint64_t seed = 1;
    double period_s = 0.25;
    int tail_bytes = 24;
    int smooth_taps = 0;
};

// A flight of n frames of one type, moving slowly north-east and climbing.
std::vector<VardoFrameFields> flight(int type, int n, bool len70 = false, int first_counter = 1);

std::string recording(const std::vector<VardoFrameFields>& frames, const RecordingShape& shape = {});
std::string recording_of_bytes(const std::vector<std::vector<uint8_t>>& frames, const RecordingShape& shape = {});

// What the decoder prints for a run over the given frames when every frame
// after the first capture decodes well: the first capture's line, then one
// line per frame, then the final newline.
std::string expect_run(const std::vector<VardoFrameFields>& frames, const OutputForm& form, bool good_only = false);

// Runs vardo on the recording written to a file in a fresh directory (the
// working directory of the run), or fed on standard input.
ProcessResult run_vardo(std::vector<std::string> args, const std::string& wav, bool on_stdin = false);

std::string header_lines(int rate, int bits, int channels);
std::vector<std::string> split_lines(const std::string& s);
