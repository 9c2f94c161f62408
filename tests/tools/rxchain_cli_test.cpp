// rxchain as a program: synthesizer recordings through it decode, from a
// file and from a pipe, and receiver noise alone comes out at the asked
// length with no input at all.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/run_program.h"
#include "synth/wav_writer.h"

namespace {

int count(const std::string& s, const std::string& what) {
    int n = 0;
    for (std::size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) n++;
    return n;
}

}  // namespace

TEST(RxChainCli, StrongSignalDecodesFromAFileAndFromAPipe) {
    TempDir dir;
    const std::string clean = dir.file("clean.wav"), rx = dir.file("rx.wav");
    ProcessResult r = run_program(VARDO_SYNTH_EXE, {"--frames", "20", "--period", "0.25", "-o", clean});
    ASSERT_EQ(r.status, 0);
    r = run_program(RXCHAIN_EXE, {"--ebn0", "22", "--seed", "4", "-o", rx, clean});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string from_file = read_file(rx);
    EXPECT_EQ(from_file.size(), read_file(clean).size());  // same length as its input
    // The first capture after start-up is short: 19 of 20 at most.
    r = run_program(VARDO_EXE, {"-v", rx});
    EXPECT_GE(count(r.out, "# OK"), 18) << r.out;

    r = run_program(RXCHAIN_EXE, {"--ebn0", "22", "--seed", "4"}, read_file(clean));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.size(), from_file.size());
    r = run_program(VARDO_EXE, {"-v"}, r.out);
    EXPECT_GE(count(r.out, "# OK"), 18) << r.out;
}

TEST(RxChainCli, ReceiverNoiseAloneNeedsNoInput) {
    ProcessResult r = run_program(RXCHAIN_EXE, {"--no-carrier", "--ebn0", "10", "--seconds", "2", "--bits", "8"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.out.size(), 44u + 96000u);
    // Noise fills the scale: no long run of one value.
    int same = 0, longest = 0;
    for (std::size_t i = 45; i < r.out.size(); i++) {
        same = r.out[i] == r.out[i - 1] ? same + 1 : 0;
        longest = std::max(longest, same);
    }
    EXPECT_LT(longest, 20);
    r = run_program(RXCHAIN_EXE, {"--seconds", "2"});
    EXPECT_EQ(r.status, 2);  // --seconds only for noise alone
}

namespace {

// 16-bit mono sample i of a WAV image with the plain 44-byte header.
int sample16(const std::string& wav, std::size_t i) {
    const std::size_t p = 44 + 2 * i;
    return static_cast<int16_t>(static_cast<uint8_t>(wav[p]) | static_cast<uint8_t>(wav[p + 1]) << 8);
}

}  // namespace

TEST(RxChainCli, FullScaleHoldsDeviationOffsetAndDrift) {
    TempDir dir;
    const std::string in = dir.file("level.wav"), out = dir.file("out.wav");
    // One second at the input's peak: the carrier sits at +2400 Hz plus offset.
    ASSERT_TRUE(write_file(in, wav_file(WavSpec{}, std::vector<double>(48000, 0.5))));
    ProcessResult r = run_program(RXCHAIN_EXE, {"--offset", "1200", "-o", out, in});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string wav = read_file(out);
    ASSERT_EQ(wav.size(), 44u + 96000u);
    // Full scale (2400 + 1200) / 0.5 = 7200 Hz: 3600 Hz is half of it.
    for (std::size_t i : {1000u, 24000u, 47000u}) EXPECT_NEAR(sample16(wav, i), 16384, 3) << i;

    // A drift counts over the file's length: full scale (2400 + 600 * 1) / 0.5.
    r = run_program(RXCHAIN_EXE, {"--drift", "600", "-o", out, in});
    ASSERT_EQ(r.status, 0) << r.err;
    wav = read_file(out);
    EXPECT_NEAR(sample16(wav, 24000), 32767.0 * (2400 + 300) / 6000, 4);
    EXPECT_NEAR(sample16(wav, 43200), 32767.0 * (2400 + 540) / 6000, 4);
}

TEST(RxChainCli, EightBitInputAt44100DecodesThroughTheChain) {
    TempDir dir;
    const std::string clean = dir.file("clean.wav");
    ProcessResult r = run_program(
        VARDO_SYNTH_EXE, {"--frames", "12", "--period", "0.25", "--rate", "44100", "--bits", "8", "-o", clean});
    ASSERT_EQ(r.status, 0);
    r = run_program(RXCHAIN_EXE, {"--ebn0", "20", "--bits", "8", clean});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(24, 4), std::string("\x44\xAC\x00\x00", 4));  // 44100 Hz
    r = run_program(VARDO_EXE, {"-v", "-b2"}, r.out);
    EXPECT_GE(count(r.out, "# OK"), 10) << r.out;
}
