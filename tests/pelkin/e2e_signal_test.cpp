// pelkin on recordings that differ in how the signal arrives: polarity,
// sample rate and format, offset drift, glitches, signal loss, noise.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <sstream>

#include "pelkin_e2e.h"
#include "synth/signals.h"

namespace {
void invert(std::vector<double>& x) {
    for (double& v : x) v = -v;
}

// Sample index where frame bit `bit` (counted after the sync word) begins.
std::size_t bit_start(const Sent& s, int frame, int bit, double rate = 48000.0) {
    return s.rec.body_start[static_cast<std::size_t>(frame)] +
           static_cast<std::size_t>(std::ceil(bit * rate / 4800.0 - 1e-9));
}

std::set<std::string> lines_of(const std::string& text) {
    std::set<std::string> out;
    std::istringstream in(text);
    std::string l;
    while (std::getline(in, l)) out.insert(l + "\n");
    return out;
}
}  // namespace

TEST(PelkinSignal, NormalPolarityWithAndWithoutAuto) {
    Sent s = send_frames(3);
    std::string wav = wav_of(s.rec.signal);
    EXPECT_EQ(run_pelkin_file({}, wav).out, expected_output(s, Out::text));
    EXPECT_EQ(run_pelkin_file({"--auto"}, wav).out, expected_output(s, Out::text));
    EXPECT_EQ(count_ok(run_pelkin_file({"-i"}, wav).out), 0);
}

TEST(PelkinSignal, InvertedPolarityNeedsAutoOrInvert) {
    Sent s = send_frames(3);
    invert(s.rec.signal);
    std::string wav = wav_of(s.rec.signal);
    EXPECT_EQ(count_ok(run_pelkin_file({}, wav).out), 0);
    EXPECT_EQ(run_pelkin_file({"--auto"}, wav).out, expected_output(s, Out::text));
    EXPECT_EQ(run_pelkin_file({"--invert"}, wav).out, expected_output(s, Out::text));
    EXPECT_EQ(run_pelkin_file({"-i", "--auto"}, wav).out, expected_output(s, Out::text));
}

// The polarity flips between frames (a receiver retuned); --auto follows.
TEST(PelkinSignal, AutoFollowsAPolarityChange) {
    Sent a = send_frames(2);
    Sent b = send_frames(2, fields_at(PelkinFields{}, 2));
    invert(b.rec.signal);
    std::vector<double> x = a.rec.signal;
    x.insert(x.end(), b.rec.signal.begin(), b.rec.signal.end());
    std::string want = expected_output(a, Out::text);
    want.pop_back();
    want += expected_output(b, Out::text);
    EXPECT_EQ(run_pelkin_file({"--auto"}, wav_of(x)).out, want);
}

TEST(PelkinSignal, IntegrateAndDumpReading) {
    for (double rate : {48000.0, 44100.0}) {
        Sent s = send_frames(3, PelkinFields{}, 1, short_tx(rate));
        WavSpec wav_spec;
        wav_spec.sample_rate = static_cast<int>(rate);
        std::string wav = wav_of(s.rec.signal, wav_spec);
        EXPECT_EQ(run_pelkin_file({"-b"}, wav).out, expected_output(s, Out::text)) << rate;
        EXPECT_EQ(run_pelkin_file({"-b", "-R"}, wav).out, expected_output(s, Out::dump)) << rate;
    }
    Sent inv = send_frames(2);
    invert(inv.rec.signal);
    EXPECT_EQ(run_pelkin_file({"-b", "--auto"}, wav_of(inv.rec.signal)).out, expected_output(inv, Out::text));
}

// The data ends 200 bits into the second frame: in -b mode the frame is
// printed as far as it was read, with a NUL after the last bit read; the
// positions after it still hold the first frame's bits.
TEST(PelkinSignal, IntegrateAndDumpPrintsAFrameCutByTheEndOfData) {
    Sent s = send_frames(2);
    std::vector<double> x(s.rec.signal.begin(), s.rec.signal.begin() + static_cast<long>(bit_start(s, 1, 200)));
    std::string wav = wav_of(x);

    std::string bits1 = expect_frame_bits(s.air[0]);
    std::string cut = expect_frame_bits(s.air[1]).substr(0, 200) + std::string(1, '\0') + bits1.substr(201);
    ExpectBytes e1 = expect_bytes(s.bytes[0]);
    ExpectBytes e2 = e1;
    expect_groups_to_bytes(cut, e2);

    ProcessResult r = run_pelkin_file({"-b", "-R"}, wav);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, expect_dump(bits1) + expect_dump(cut) + "\n");
    // Its CRC was never received: whatever the stale bytes say, it is no good frame.
    EXPECT_EQ(run_pelkin_file({"-b"}, wav).out, expect_text(e1, true) + expect_text(e2, false) + "\n");
    // Without -b a frame cut short is dropped.
    EXPECT_EQ(run_pelkin_file({}, wav).out, expect_text(e1, true) + "\n");
}

TEST(PelkinSignal, DcFilterDecodesADriftingOffsetThatPlainSlicingLoses) {
    PelkinTx tx = short_tx();
    tx.amplitude = 0.3;
    tx.gap_bits = 1500;
    Sent s = send_frames(6, PelkinFields{}, 0, tx);
    add_dc_drift(s.rec.signal, 48000.0, 0.6, 1.5);
    std::string wav = wav_of(s.rec.signal);
    ProcessResult plain = run_pelkin_file({}, wav);
    EXPECT_LE(count_ok(plain.out), 3);
    EXPECT_EQ(run_pelkin_file({"--dc"}, wav).out, expected_output(s, Out::text));
}

TEST(PelkinSignal, DcFilterOnACleanSignal) {
    Sent s = send_frames(3, PelkinFields{}, 2);
    EXPECT_EQ(run_pelkin_file({"--dc"}, wav_of(s.rec.signal)).out, expected_output(s, Out::text));
    EXPECT_EQ(run_pelkin_file({"--dc", "--res"}, wav_of(s.rec.signal)).out, expected_output(s, Out::text));
}

// A spike of one sample, shorter than half a bit, 100 bits into a frame:
// dropped, and the frame completes with the bits that follow.
TEST(PelkinSignal, GlitchAfterAHundredFrameBitsIsIgnored) {
    Sent s = send_frames(2);
    const std::string bits = expect_frame_bits(s.air[0]);
    // A run of at least three equal bits at or after bit 100.
    std::size_t at = 100;
    while (!(bits[at] == bits[at + 1] && bits[at] == bits[at + 2])) at++;
    ASSERT_LT(at, 300u);
    std::size_t sample = bit_start(s, 0, static_cast<int>(at)) + 15;
    s.rec.signal[sample] = -s.rec.signal[sample];
    std::string wav = wav_of(s.rec.signal);
    EXPECT_EQ(run_pelkin_file({}, wav).out, expected_output(s, Out::text));
    EXPECT_EQ(run_pelkin_file({"-R"}, wav).out, expected_output(s, Out::dump));
}

namespace {
// The signal of frame 0 stops after `kept` frame bits and turns into
// sign-alternating hash for 30 bit periods before the idle level returns.
std::vector<double> lose_signal(const Sent& s, int kept) {
    std::vector<double> x = s.rec.signal;
    const std::string bits = expect_frame_bits(s.air[0]);
    std::size_t from = bit_start(s, 0, kept);
    double sign = bits[static_cast<std::size_t>(kept - 1)] == '1' ? -1.0 : 1.0;
    for (std::size_t i = from; i < from + 300; i++, sign = -sign) x[i] = 0.05 * sign;
    for (std::size_t i = from + 300; i < s.rec.body_start[1] - 20 * 10; i++) x[i] = 0.5;
    return x;
}
}  // namespace

TEST(PelkinSignal, SignalLossAfterMoreThan350BitsPrintsThePaddedFrame) {
    Sent s = send_frames(2);
    std::string wav = wav_of(lose_signal(s, 351));
    std::string padded = expect_frame_bits(s.air[0]).substr(0, 351) + std::string(149, '0');
    ExpectBytes e = expect_bytes(s.bytes[0]);
    expect_groups_to_bytes(padded, e);
    EXPECT_EQ(run_pelkin_file({"-R"}, wav).out, expect_dump(padded) + expect_dump(expect_frame_bits(s.air[1])) + "\n");
    EXPECT_EQ(run_pelkin_file({}, wav).out, expect_text(e, false) + expect_text(expect_bytes(s.bytes[1]), true) + "\n");
}

// With 350 bits in, the hash is ignored and the frame is completed by the
// idle level that follows.
TEST(PelkinSignal, SignalLossAfter350BitsKeepsCollecting) {
    Sent s = send_frames(2);
    std::string wav = wav_of(lose_signal(s, 350));
    std::string filled = expect_frame_bits(s.air[0]).substr(0, 350) + std::string(150, '1');
    EXPECT_EQ(run_pelkin_file({"-R"}, wav).out, expect_dump(filled) + expect_dump(expect_frame_bits(s.air[1])) + "\n");
}

TEST(PelkinSignal, SampleRates) {
    for (int rate : {44100, 48000, 22050, 96000}) {
        Sent s = send_frames(2, PelkinFields{}, 1, short_tx(rate));
        WavSpec wav_spec;
        wav_spec.sample_rate = rate;
        std::string wav = wav_of(s.rec.signal, wav_spec);
        EXPECT_EQ(run_pelkin_file({}, wav).out, expected_output(s, Out::text)) << rate;
        EXPECT_EQ(run_pelkin_file({"--res"}, wav).out, expected_output(s, Out::text)) << rate;
        EXPECT_EQ(run_pelkin_file({"--dc"}, wav).out, expected_output(s, Out::text)) << rate;
    }
}

TEST(PelkinSignal, SamplesPerBitOn44100) {
    Sent s = send_frames(1, PelkinFields{}, 0, short_tx(44100));
    WavSpec wav_spec;
    wav_spec.sample_rate = 44100;
    ProcessResult r = run_pelkin_file({}, wav_of(s.rec.signal, wav_spec));
    EXPECT_EQ(r.err, "sample_rate: 44100\nbits       : 16\nchannels   : 1\nsamples/bit: 9.19\n");
}

TEST(PelkinSignal, EightBitSamples) {
    Sent s = send_frames(2);
    WavSpec wav_spec;
    wav_spec.bits = 8;
    EXPECT_EQ(run_pelkin_file({}, wav_of(s.rec.signal, wav_spec)).out, expected_output(s, Out::text));
    EXPECT_EQ(run_pelkin_file({"-b"}, wav_of(s.rec.signal, wav_spec)).out, expected_output(s, Out::text));
}

TEST(PelkinSignal, StereoReadsTheFirstChannel) {
    Sent s = send_frames(2);
    std::vector<double> other(s.rec.signal.size(), 0.0);
    add_noise_sigma(other, 0.3, 7);
    for (int bits : {8, 16}) {
        WavSpec wav_spec;
        wav_spec.channels = 2;
        wav_spec.bits = bits;
        std::string wav = wav_file(wav_spec, s.rec.signal, other);
        EXPECT_EQ(run_pelkin_file({}, wav).out, expected_output(s, Out::text)) << bits;
    }
}

TEST(PelkinSignal, StandardInputDecodesLikeAFile) {
    Sent s = send_frames(2);
    std::string wav = wav_of(s.rec.signal);
    ProcessResult in = run_pelkin_stdin({"-v"}, wav);
    ProcessResult file = run_pelkin_file({"-v"}, wav);
    EXPECT_EQ(in.status, 0);
    EXPECT_EQ(in.out, expected_output(s, Out::verbose));
    EXPECT_EQ(in.out, file.out);
    EXPECT_EQ(in.err, file.err);
}

TEST(PelkinSignal, HeaderShapes) {
    Sent s = send_frames(1);
    for (WavHeaderStyle style :
         {WavHeaderStyle::list_chunk, WavHeaderStyle::fmt18, WavHeaderStyle::sizes_zero, WavHeaderStyle::sizes_max}) {
        WavSpec wav_spec;
        wav_spec.style = style;
        std::string wav = wav_of(s.rec.signal, wav_spec);
        EXPECT_EQ(run_pelkin_file({}, wav).out, expected_output(s, Out::text)) << static_cast<int>(style);
        EXPECT_EQ(run_pelkin_stdin({}, wav).out, expected_output(s, Out::text)) << static_cast<int>(style);
    }
}

TEST(PelkinSignal, ModerateNoise) {
    Sent s = send_frames(20);
    add_noise(s.rec.signal, 14.0, 42);
    std::string wav = wav_of(s.rec.signal);
    std::set<std::string> want = lines_of(expected_output(s, Out::text));
    for (const char* opt : {"--res", "-b", "--dc"}) {
        ProcessResult r = run_pelkin_file({opt}, wav);
        EXPECT_GE(count_ok(r.out), 17) << opt;
        for (const std::string& l : lines_of(r.out))
            if (l.find("[OK]") != std::string::npos) {
                EXPECT_TRUE(want.count(l)) << opt << ": " << l;
            }
    }
}

namespace {
std::vector<double> noise_only() {
    std::vector<double> x(48000 * 2, 0.0);
    add_noise_sigma(x, 0.2, 99);
    return x;
}

std::vector<double> other_baseband() {
    // 9600 bit/s biphase-like baseband with pseudo-random data.
    BasebandGen g{48000.0, 9600.0, 0.5};
    std::vector<double> x;
    uint32_t r = 1;
    std::string bits;
    for (int i = 0; i < 19200; i++) {
        r = r * 1664525u + 1013904223u;
        bits += (r >> 31) ? "10" : "01";
    }
    baseband_bits(g, x, bits);
    return x;
}

std::vector<double> afsk_tones() {
    AfskGen g;
    std::vector<double> x;
    std::string bits;
    uint32_t r = 5;
    for (int i = 0; i < 2400; i++) {
        r = r * 1664525u + 1013904223u;
        bits += (r >> 30) & 1 ? '1' : '0';
    }
    afsk_bits(g, x, bits);
    return x;
}
}  // namespace

TEST(PelkinSignal, NoFramesFromSilenceNoiseOrOtherSignals) {
    const std::vector<std::vector<double>> inputs = {std::vector<double>(48000, 0.0), noise_only(), other_baseband(),
                                                     afsk_tones()};
    for (std::size_t i = 0; i < inputs.size(); i++) {
        std::string wav = wav_of(inputs[i]);
        ProcessResult r = run_pelkin_file({"--auto"}, wav);
        EXPECT_EQ(r.status, 0) << i;
        EXPECT_EQ(count_ok(r.out), 0) << i;
        EXPECT_EQ(run_pelkin_file({"-g", "--auto"}, wav).out, "\n") << i;
        EXPECT_EQ(run_pelkin_file({"-g", "--dc", "-b"}, wav).out, "\n") << i;
    }
}
