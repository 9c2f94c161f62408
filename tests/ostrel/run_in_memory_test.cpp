// The whole program path from a memory image, as fuzz targets drive it.
#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <vector>

#include "ostrel/program.h"
#include "ostrel_synth.h"
#include "synth/wav_writer.h"

using namespace sonde;
using namespace sonde::ostrel;

namespace {

struct Result {
    int status;
    std::string out, err;
};

std::string drain(int fd) {
    std::string s;
    char b[4096];
    ssize_t n;
    while ((n = read(fd, b, sizeof b)) > 0) s.append(b, static_cast<std::size_t>(n));
    close(fd);
    return s;
}

// Output stays far below a pipe's capacity, so nothing blocks.
Result run(const std::string& image, std::vector<std::string> args) {
    int out[2], err[2];
    EXPECT_EQ(pipe(out), 0);
    EXPECT_EQ(pipe(err), 0);
    ProgramIo io;
    io.in_fd = -1;
    io.out_fd = out[1];
    io.err_fd = err[1];
    io.in_mem = reinterpret_cast<const unsigned char*>(image.data());
    io.in_len = image.size();
    args.insert(args.begin(), "ostrel");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    Result r;
    r.status = program_main(static_cast<int>(args.size()), argv.data(), io);
    close(out[1]);
    close(err[1]);
    r.out = drain(out[0]);
    r.err = drain(err[0]);
    return r;
}

std::string gps_recording() {
    OstrelGps g;
    g.lat = 1.5f;
    g.lon = -2.25f;
    g.alt_raw = 5010;
    g.hour = 3;
    g.minute = 4;
    g.second = 5;
    auto p = ostrel_gps_packet(g);
    OstrelRecordingSpec wav_spec;
    const auto x = ostrel_recording(wav_spec, {ostrel_transmission(std::vector<uint8_t>(p.begin(), p.end()), 1)});
    return wav_file(WavSpec{}, x);
}

}  // namespace

TEST(RunInMemory, DecodesAPacketFromAMemoryImage) {
    const Result r = run(gps_recording(), {"--csv"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "sample_rate: 48000\nbits       : 16\nchannels   : 1\n");
    EXPECT_EQ(r.out, "000,iMet,0000-00-00,03:04:05,1.500000,-2.250000,10,0,0,0,OK\n\n");
}

TEST(RunInMemory, EveryCutOfTheImageEndsCleanly) {
    const std::string wav = gps_recording();
    for (std::size_t n : {std::size_t{0}, std::size_t{3}, std::size_t{20}, std::size_t{43}, std::size_t{44},
                          std::size_t{45}, std::size_t{300}, wav.size() / 2}) {
        const Result r = run(wav.substr(0, n), {});
        EXPECT_TRUE(r.status == 0 || r.status == 255) << n;
        if (r.status == 0) {
            EXPECT_EQ(r.out, "\n") << n;
        }
    }
}

TEST(RunInMemory, FreshStateForEveryRun) {
    const std::string wav = gps_recording();
    const Result a = run(wav, {"-d2"});
    const Result b = run(wav, {"-d2"});
    EXPECT_EQ(a.out, b.out);
    EXPECT_NE(a.out.find("[OK]"), std::string::npos);
}
