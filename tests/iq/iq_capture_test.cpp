// End to end on the simulator's I/Q captures: rxchain makes the capture
// from synthesized recordings, iqdemod finds the carriers and writes each
// channel's audio, the audio receivers (--robust) decode it. Counts at fixed
// seeds with a margin.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.h"

namespace {

struct Opened {
    unsigned id;
    double hz;
};

// "iqdemod: T s channel C id I opened at +X Hz ..." lines.
std::vector<Opened> opened(const std::string& err) {
    std::vector<Opened> v;
    std::istringstream in(err);
    std::string line;
    while (std::getline(in, line)) {
        unsigned ch = 0, id = 0;
        double t = 0.0, hz = 0.0;
        if (std::sscanf(line.c_str(), "iqdemod: %lf s channel %u id %u opened at %lf Hz", &t, &ch, &id, &hz) == 4)
            v.push_back({id, hz});
    }
    return v;
}

// Lines holding `mark` (every line when it is empty).
long lines(const std::string& s, const std::string& mark) {
    long n = 0;
    std::istringstream in(s);
    std::string line;
    while (std::getline(in, line)) n += line.find(mark) != std::string::npos;
    return n;
}

// Decoded frames in one channel's audio of one kind: lines holding `good`.
long decoded(const TempDir& dir, unsigned id, const std::string& kind, const std::string& exe,
             const std::string& good = "") {
    const std::string wav = dir.file("a-" + std::to_string(id) + "-" + kind + ".wav");
    if (!file_exists(wav)) return -1;
    const ProcessResult r = run_program(exe, {"--robust", wav});
    return r.status == 0 ? lines(r.out, good) : -1;
}

// One vardo at a far offset in a 250 kS/s float capture with a DC spike:
// one channel, on the carrier, and its frames.
TEST(IqCapture, FarOffsetSingleCarrier) {
    TempDir dir;
    ProcessResult r = run_program(VARDO_SYNTH_EXE, {"--frames", "20", "--period", "0.25", "-o", dir.file("v.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    r = run_program(RXCHAIN_EXE,
                    {"--profile", "vardo", "--ebn0", "13", "--seed", "11", "--offset", "-90k", "--dc-spike", "-30",
                     "--iq-out", "f32le", "--iq-rate", "250k", "-o", dir.file("c.f32"), dir.file("v.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    r = run_program(IQDEMOD_EXE, {"--rate", "250000", "--events", "-o", dir.file("a"), dir.file("c.f32")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<Opened> o = opened(r.err);
    ASSERT_EQ(o.size(), 1u) << r.err;
    EXPECT_NEAR(o[0].hz, -90000.0, 1000.0);
    // The channel opens a quarter of a second in: the first frame may be lost.
    EXPECT_GE(decoded(dir, o[0].id, "vardo", VARDO_EXE), 18);
}

// A wide u8 capture: a vardo and a pelkin 20 kHz apart, the pelkin 10 dB
// stronger, with a DC spike and an I/Q image; each channel decodes its own.
TEST(IqCapture, TwoSondesTwentyKilohertzApart) {
    TempDir dir;
    ProcessResult r = run_program(VARDO_SYNTH_EXE, {"--frames", "24", "--period", "0.25", "-o", dir.file("v.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    r = run_program(PELKIN_SYNTH_EXE, {"--frames", "40", "--gap", "100", "-o", dir.file("p.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    r = run_program(RXCHAIN_EXE, {"--mix", "--sonde", dir.file("v.wav") + ":kind=vardo:ebn0=13:offset=300k", "--sonde",
                                  dir.file("p.wav") + ":kind=pelkin:ebn0=23:offset=320k", "--dc-spike", "-30",
                                  "--iq-imbalance", "0.5,3", "--seed", "12", "--duration", "6", "--iq-out", "u8",
                                  "--iq-rate", "2048k", "-o", dir.file("c.u8")});
    ASSERT_EQ(r.status, 0) << r.err;
    r = run_program(IQDEMOD_EXE,
                    {"--format", "u8", "--rate", "2048000", "--events", "-o", dir.file("a"), dir.file("c.u8")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<Opened> o = opened(r.err);
    ASSERT_EQ(o.size(), 2u) << r.err;
    for (const Opened& c : o) {
        if (std::fabs(c.hz - 300000.0) < 1000.0)
            EXPECT_GE(decoded(dir, c.id, "vardo", VARDO_EXE), 21);
        else if (std::fabs(c.hz - 320000.0) < 1000.0)
            EXPECT_GE(decoded(dir, c.id, "pelkin", PELKIN_EXE, "[OK]"), 36);
        else
            ADD_FAILURE() << "a channel at " << c.hz << " Hz";
    }
}

}  // namespace
