// Shared pieces of the bad-input tests: the three programs, their
// information lines, short recordings of known frames (with the lines they
// decode to) and ways to spoil a WAV image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/run_program.h"

enum class Prog { vardo, pelkin, ostrel };
constexpr Prog kAllProgs[] = {Prog::vardo, Prog::pelkin, Prog::ostrel};

const char* prog_exe(Prog p);
std::string prog_name(Prog p);
// Names parameterized cases after the program.
std::string prog_param_name(const ::testing::TestParamInfo<Prog>& info);

// What every program writes to standard error once the header is read: the
// three information lines, and the samples per bit for vardo (9600 channel
// bits/s) and pelkin (4800 bits/s).
std::string info_lines(Prog p, int rate, int bits, int channels);
std::string info_lines(int rate, int bits, int channels);  // the three lines only

// Runs the program on the image, named as a file (appended to args).
ProcessResult run_on_file(Prog p, std::vector<std::string> args, const std::string& wav);
// Runs the program with the image on standard input.
ProcessResult run_on_stdin(Prog p, const std::vector<std::string>& args, const std::string& wav);

// A short 48 kHz 16-bit mono recording of three good frames for the
// program, with each frame's first and last sample; every sample after the
// last frame's end is idle (silence for vardo, the stop level for pelkin,
// the 1200 Hz tone for ostrel).
struct Recording {
    std::string wav;
    std::vector<std::size_t> frame_start;
    std::vector<std::size_t> frame_end;
};
Recording good_recording(Prog p);
// The lines the good recording decodes to (without the final empty line).
// vardo's first capture after start-up holds only 20 bytes of its frame, so
// its first line is that short capture, with most fields 0.
std::vector<std::string> good_lines(Prog p);

constexpr std::size_t kWavHeaderBytes = 44;
constexpr int kRate = 48000;

// The image cut after that many whole samples (16-bit mono), plus extra bytes.
std::string cut_after_samples(const std::string& wav, std::size_t samples, std::size_t extra_bytes = 0);
// A little-endian field of the header replaced.
std::string patch_le(std::string wav, std::size_t offset, uint32_t value, int bytes);
// Mono 16-bit image of the given samples (-1..1).
std::string mono_wav(const std::vector<double>& x, int rate = kRate, int bits = 16);

std::string join(const std::vector<std::string>& lines, std::size_t first = 0, std::size_t count = SIZE_MAX);
