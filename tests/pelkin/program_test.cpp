// The whole program path in process, reading a WAV image from memory.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "pelkin/program.h"
#include "pelkin_expect.h"
#include "synth/wav_writer.h"

using namespace sonde;
using namespace sonde::pelkin;

namespace {
struct Captured {
    int status;
    std::string out, err;
};

std::string drain(int fd) {
    std::string s;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0) s.append(buf, static_cast<std::size_t>(n));
    return s;
}

Captured run_in_memory(std::vector<std::string> args, const std::string& wav) {
    int out[2], err[2];
    EXPECT_EQ(pipe(out), 0);
    EXPECT_EQ(pipe(err), 0);
    args.insert(args.begin(), "pelkin");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ProgramIo io;
    io.in_fd = -1;
    io.out_fd = out[1];
    io.err_fd = err[1];
    io.in_mem = reinterpret_cast<const unsigned char*>(wav.data());
    io.in_len = wav.size();
    Captured c;
    c.status = program_main(static_cast<int>(args.size()), argv.data(), io);
    close(out[1]);
    close(err[1]);
    c.out = drain(out[0]);
    c.err = drain(err[0]);
    close(out[0]);
    close(err[0]);
    return c;
}
}  // namespace

TEST(PelkinRun, DecodesAWavImageInMemory) {
    PelkinFrameBytes b = pelkin_frame_bytes(PelkinFields{});
    PelkinTx tx;
    tx.gap_bits = 200;
    PelkinRecording rec = pelkin_recording(tx, {pelkin_air_bits(b, 0)});
    std::string wav = wav_file(WavSpec{}, rec.signal);
    Captured c = run_in_memory({"--csv"}, wav);
    EXPECT_EQ(c.status, 0);
    EXPECT_EQ(c.out, expect_csv(expect_bytes(b), true) + "\n");
    EXPECT_EQ(c.err, "sample_rate: 48000\nbits       : 16\nchannels   : 1\nsamples/bit: 10.00\n");
    // A fresh decoder per run: the same image decodes the same way again.
    EXPECT_EQ(run_in_memory({"--csv"}, wav).out, c.out);
}

TEST(PelkinRun, RefusedImageInMemory) {
    Captured c = run_in_memory({}, "RIFF");
    EXPECT_EQ(c.status, 255);
    EXPECT_EQ(c.out, "");
}
