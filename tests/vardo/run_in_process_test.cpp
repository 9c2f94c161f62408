// The whole program path from a memory image, in this process: any sample
// data, in every capture mode, ends with the final newline and stays inside
// its buffers (the sanitizer build checks the latter).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "synth/signals.h"
#include "synth/wav_writer.h"
#include "vardo/program.h"
#include "vardo/vardo_synth.h"

using namespace sonde;
using namespace sonde::vardo;

namespace {

struct Captured {
    int status;
    std::string out;
};

Captured run_in_memory(std::vector<std::string> args, const std::string& wav) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ProgramIo io;
    io.in_mem = reinterpret_cast<const unsigned char*>(wav.data());
    io.in_len = wav.size();
    io.out_fd = fileno(out);
    io.err_fd = fileno(err);
    args.insert(args.begin(), "vardo");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    Captured c;
    c.status = program_main(static_cast<int>(args.size()), argv.data(), io);
    std::string text;
    std::rewind(out);
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, out)) > 0) text.append(buf, n);
    c.out = text;
    std::fclose(out);
    std::fclose(err);
    return c;
}

// Frames whose bytes are random apart from chosen first bytes, with noise
// and spikes: every kind of capture the loop can meet.
std::string hostile_recording(uint64_t seed) {
    Gaussian g = gaussian_seeded(seed);
    std::vector<std::vector<uint8_t>> frames;
    const uint8_t firsts[][2] = {{0x64, 0x9F}, {0x43, 0x20}, {0x45, 0x20}, {0x00, 0x00}, {0xFF, 0x01}, {0x52, 0x11}};
    for (int k = 0; k < 12; k++) {
        std::vector<uint8_t> b(static_cast<std::size_t>(40 + (k * 37) % 240));
        for (uint8_t& x : b) x = static_cast<uint8_t>(gaussian_next(g) * 1000.0);
        b[0] = firsts[k % 6][0];
        b[1] = firsts[k % 6][1];
        if (k % 3 == 0) vardo_set_check(b);
        frames.push_back(b);
    }
    VardoTiming t;
    t.period_s = 0.3;
    t.tail_bytes = static_cast<int>(seed % 40);
    std::vector<double> x = vardo_signal(frames, t);
    add_noise(x, 6.0 + static_cast<double>(seed % 10), seed);
    return wav_file(WavSpec{}, x);
}

}  // namespace

TEST(RunInProcess, DecodesFromAMemoryImage) {
    VardoFrameFields f;
    std::vector<std::vector<uint8_t>> frames(3, vardo_frame_bytes(f));
    VardoTiming t;
    t.period_s = 0.25;
    const std::string wav = wav_file(WavSpec{}, vardo_signal(frames, t));
    Captured c = run_in_memory({"-r", "-v"}, wav);
    EXPECT_EQ(c.status, 0);
    std::string hex;
    char two[3];
    for (uint8_t b : frames[0]) {
        std::snprintf(two, sizeof two, "%02X", b);
        hex += two;
    }
    EXPECT_NE(c.out.find(hex + " # "), std::string::npos);
    EXPECT_EQ(c.out.back(), '\n');
}

TEST(RunInProcess, HostileRecordingsInEveryCaptureMode) {
    const std::vector<std::vector<std::string>> modes = {{"-vv"},
                                                         {"-r", "-c", "-v"},
                                                         {"--csv"},
                                                         {"--rawbits"},
                                                         {"-b2", "-vv"},
                                                         {"-b1", "-r", "-v"},
                                                         {"--res", "-c", "-vv"}};
    for (uint64_t seed = 1; seed <= 4; seed++) {
        const std::string wav = hostile_recording(seed);
        for (const auto& m : modes) {
            Captured c = run_in_memory(m, wav);
            EXPECT_EQ(c.status, 0);
            ASSERT_FALSE(c.out.empty());
            EXPECT_EQ(c.out.back(), '\n');
        }
    }
}

TEST(RunInProcess, HeaderOnlyAndTruncatedStreams) {
    const std::string wav = hostile_recording(9);
    for (std::size_t cut : {std::size_t{0}, std::size_t{12}, std::size_t{44}, std::size_t{45}, wav.size() / 3}) {
        Captured c = run_in_memory({"-b2"}, wav.substr(0, cut));
        EXPECT_TRUE(c.status == 0 || c.status == 255);
    }
}

TEST(RunInProcess, AbsurdSampleRateStaysLinear) {
    // At 1 sample per second every sample is 9600 channel bits long.
    WavSpec wav_spec;
    wav_spec.sample_rate = 1;
    std::vector<double> x(200000);
    Gaussian g = gaussian_seeded(4);
    for (double& v : x) v = gaussian_next(g) * 0.3;
    Captured c = run_in_memory({"-v"}, wav_file(wav_spec, x));
    EXPECT_EQ(c.status, 0);
    EXPECT_EQ(c.out.back(), '\n');
}
