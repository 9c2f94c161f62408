// pelkin --robust end to end: the same lines as the default path on clean
// recordings, and decode counts through the simulated FM receiver at fixed
// seeds and levels, with a margin below what the receiver achieves.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "pelkin_e2e.h"
#include "rx_chain.h"

namespace {
// The clean recording through the FM receiver; full scale as rxchain writes it.
std::vector<double> received(const std::vector<double>& clean, rxchain::ChainConfig cfg) {
    cfg.bit_rate = 4800.0;
    rxchain::RxChain chain;
    EXPECT_TRUE(rxchain::chain_init(chain, cfg));
    std::vector<float> in(clean.begin(), clean.end()), out(clean.size());
    rxchain::chain_process(chain, in.data(), out.data(), in.size());
    const double full = rxchain::chain_full_scale(cfg, static_cast<double>(clean.size()) / cfg.audio_rate);
    std::vector<double> x(out.size());
    for (std::size_t i = 0; i < out.size(); i++) x[i] = std::clamp(out[i] / full, -1.0, 1.0);
    return x;
}

std::set<std::string> lines_of(const std::string& text) {
    std::set<std::string> out;
    std::istringstream in(text);
    std::string l;
    while (std::getline(in, l)) out.insert(l + "\n");
    return out;
}

// Frames marked good; every one must be a frame that was sent.
int good_frames(const Sent& s, const std::string& out) {
    const std::set<std::string> sent = lines_of(expected_output(s, Out::text));
    std::istringstream in(out);
    std::string l;
    int n = 0;
    while (std::getline(in, l)) {
        if (l.find("[OK]") == std::string::npos) continue;
        EXPECT_TRUE(sent.count(l + "\n")) << l;
        n++;
    }
    return n;
}

PelkinTx tx_at(double rate) {
    PelkinTx tx = short_tx(rate);
    tx.gap_bits = 600;
    return tx;
}
}  // namespace

TEST(PelkinRobust, CleanRecordingsGiveTheDefaultLines) {
    for (int rate : {44100, 48000, 96000})
        for (int bits : {8, 16}) {
            Sent s = send_frames(3, PelkinFields{}, 1, tx_at(rate));
            const std::string wav = wav_of(s.rec.signal, WavSpec{rate, bits});
            EXPECT_EQ(run_pelkin_file({"--robust"}, wav).out, expected_output(s, Out::text)) << rate << " " << bits;
        }
    Sent s = send_frames(2);
    const std::string wav = wav_of(s.rec.signal);
    EXPECT_EQ(run_pelkin_stdin({"--robust", "-v"}, wav).out, expected_output(s, Out::verbose));
    EXPECT_EQ(run_pelkin_file({"--robust", "--csv"}, wav).out, expected_output(s, Out::csv));
    EXPECT_EQ(run_pelkin_file({"--robust", "-r"}, wav).out, expected_output(s, Out::hex));
    EXPECT_EQ(run_pelkin_file({"--robust", "-R"}, wav).out, expected_output(s, Out::dump));
    // Options of the default path change nothing.
    EXPECT_EQ(run_pelkin_file({"--robust", "-i", "--auto", "--dc", "--res", "-b"}, wav).out,
              expected_output(s, Out::text));
}

TEST(PelkinRobust, SampleRatesOutOfRangeAreRefused) {
    Sent s = send_frames(1, PelkinFields{}, 0, tx_at(4000));
    ProcessResult r = run_pelkin_file({"--robust"}, wav_of(s.rec.signal, WavSpec{4000, 16}));
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.err.find("--robust takes sample rates from 8000 to 768000 Hz"), std::string::npos);
}

// 60 frames at 11 dB: the receiver decodes 59 of them at this seed (the
// default path with --dc 37).
TEST(PelkinRobust, WeakSignal) {
    Sent s = send_frames(60, PelkinFields{}, 0, tx_at(48000));
    rxchain::ChainConfig cfg;
    cfg.ebn0_db = 11.0;
    cfg.seed = 21;
    const std::string wav = wav_of(received(s.rec.signal, cfg));
    const int n = good_frames(s, run_pelkin_file({"--robust"}, wav).out);
    EXPECT_GE(n, 54);
    // The same frames as JSON lines, with their receive quality: some needed
    // the correction.
    const std::string json = run_pelkin_file({"--robust", "--json", "-g"}, wav).out;
    int lines = 0, corrected = 0;
    std::istringstream in(json);
    for (std::string l; std::getline(in, l); lines++) {
        EXPECT_NE(l.find("\"snr_db\":"), std::string::npos) << l;
        EXPECT_NE(l.find("\"dc\":"), std::string::npos) << l;
        if (l.find("\"corrected\":0") == std::string::npos) corrected++;
    }
    EXPECT_EQ(lines, n);
    EXPECT_GE(corrected, 3);
}

// 2 kHz below, where the lower tone lies at the channel filter's edge and
// its clicks flip bits: 120 frames at 12 dB, 116 decoded at this seed
// (107 before the clicked bits weighed in the correction's order).
TEST(PelkinRobust, LowerToneAtTheFilterEdge) {
    Sent s = send_frames(120, PelkinFields{}, 0, tx_at(48000));
    rxchain::ChainConfig cfg;
    cfg.ebn0_db = 12.0;
    cfg.offset_hz = -2000.0;
    cfg.seed = 24;
    const int n = good_frames(s, run_pelkin_file({"--robust"}, wav_of(received(s.rec.signal, cfg))).out);
    EXPECT_GE(n, 111);
}

// Off frequency, AC-coupled and de-emphasised, 8-bit at 44.1 kHz, from a
// pipe: 56 of 60 at 12 dB at this seed (the default path with --dc 27).
TEST(PelkinRobust, OffsetAcCoupledDeemphasised) {
    Sent s = send_frames(60, PelkinFields{}, 2, tx_at(44100));
    rxchain::ChainConfig cfg;
    cfg.audio_rate = 44100;
    cfg.ebn0_db = 12.0;
    cfg.offset_hz = -1000.0;
    cfg.highpass = true;
    cfg.deemphasis_us = 75.0;
    cfg.seed = 22;
    const std::string wav = wav_of(received(s.rec.signal, cfg), WavSpec{44100, 8});
    const int n = good_frames(s, run_pelkin_stdin({"--robust", "-g"}, wav).out);
    EXPECT_GE(n, 51);
}

// Receiver noise alone, with an offset: no frame line at all.
TEST(PelkinRobust, ReceiverNoiseGivesNoLines) {
    rxchain::ChainConfig cfg;
    cfg.carrier = false;
    cfg.ebn0_db = 8.0;  // the noise of a weak signal's receiver
    cfg.offset_hz = 1500.0;
    cfg.seed = 23;
    const std::string wav = wav_of(received(std::vector<double>(48000 * 30, 0.0), cfg));
    EXPECT_EQ(run_pelkin_file({"--robust"}, wav).out, "\n");
}
