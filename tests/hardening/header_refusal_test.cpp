// Headers the programs refuse (status 255, nothing on standard output) and
// headers with absurd values that are read to the end all the same.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostile_input.h"

namespace {

class HeaderRefusal : public ::testing::TestWithParam<Prog> {};

// A small recording of plain alternating levels: enough samples for the
// bit readers to work on once a header is let through.
std::string some_audio() {
    std::vector<double> x;
    for (int i = 0; i < 4800; i++) x.push_back((i / 7) % 2 ? 0.5 : -0.5);
    return mono_wav(x);
}

void expect_silent_refusal(Prog p, const std::string& wav) {
    for (bool on_stdin : {false, true}) {
        ProcessResult r = on_stdin ? run_on_stdin(p, {}, wav) : run_on_file(p, {}, wav);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.status, 255);
    }
}

TEST_P(HeaderRefusal, NoRiffTagIsRefusedSilently) {
    std::string wav = some_audio();
    wav[3] = 'X';  // "RIFX"
    expect_silent_refusal(GetParam(), wav);
}

TEST_P(HeaderRefusal, NoWaveTagIsRefusedSilently) {
    std::string wav = some_audio();
    wav.replace(8, 4, "AVI ");
    expect_silent_refusal(GetParam(), wav);
}

TEST_P(HeaderRefusal, EveryCutInsideTheHeaderIsRefusedSilently) {
    const std::string wav = some_audio();
    for (std::size_t n = 0; n < kWavHeaderBytes; n++) {
        SCOPED_TRACE(n);
        ProcessResult r = run_on_stdin(GetParam(), {}, wav.substr(0, n));
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.status, 255);
    }
}

TEST_P(HeaderRefusal, UnsupportedSampleWidthsAreRefusedAfterTheInformationLines) {
    for (uint32_t bits : {0u, 4u, 12u, 24u, 32u}) {
        SCOPED_TRACE(bits);
        ProcessResult r = run_on_file(GetParam(), {}, patch_le(some_audio(), 34, bits, 2));
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, info_lines(kRate, static_cast<int>(bits), 1));
        EXPECT_EQ(r.status, 255);
    }
}

TEST_P(HeaderRefusal, ZeroChannelsAreRefusedWithAMessage) {
    ProcessResult r = run_on_file(GetParam(), {}, patch_le(some_audio(), 22, 0, 2));
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, info_lines(kRate, 16, 0) + "error: the WAV header gives 0 channels\n");
    EXPECT_EQ(r.status, 255);
}

TEST_P(HeaderRefusal, ZeroOrNegativeSampleRatesAreRefusedWithAMessage) {
    for (int32_t rate : {0, -1, -48000}) {
        SCOPED_TRACE(rate);
        ProcessResult r = run_on_file(GetParam(), {}, patch_le(some_audio(), 24, static_cast<uint32_t>(rate), 4));
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, info_lines(rate, 16, 1) + "error: the WAV header gives an invalid sample rate of " +
                             std::to_string(rate) + "\n");
        EXPECT_EQ(r.status, 255);
    }
}

INSTANTIATE_TEST_SUITE_P(AllPrograms, HeaderRefusal, ::testing::ValuesIn(kAllProgs), prog_param_name);

// A tiny rate makes every sample worth thousands of bits: the bit readers
// must still walk through the data and end.
// (ostrel's first half second only: its slow detectors would take long.)
ProcessResult run_at_rate(Prog p, int rate, std::vector<std::string> args) {
    std::string wav = good_recording(p).wav;
    if (p == Prog::ostrel) wav = cut_after_samples(wav, kRate / 2);
    return run_on_file(p, std::move(args), patch_le(wav, 24, static_cast<uint32_t>(rate), 4));
}

TEST(TinySampleRate, VardoReadsToTheEndInEveryCaptureMode) {
    for (const char* mode : {"", "-b1", "-b2", "--res"}) {
        SCOPED_TRACE(mode);
        for (int rate : {1, 100}) {
            std::vector<std::string> args;
            if (*mode) args.push_back(mode);
            ProcessResult r = run_at_rate(Prog::vardo, rate, args);
            EXPECT_EQ(r.out, "\n");
            EXPECT_EQ(r.err, info_lines(Prog::vardo, rate, 16, 1));
            EXPECT_EQ(r.status, 0);
        }
    }
}

TEST(TinySampleRate, PelkinReadsToTheEndInEveryCaptureMode) {
    for (const char* mode : {"", "-b", "--res", "--auto"}) {
        SCOPED_TRACE(mode);
        for (int rate : {1, 100}) {
            std::vector<std::string> args;
            if (*mode) args.push_back(mode);
            ProcessResult r = run_at_rate(Prog::pelkin, rate, args);
            EXPECT_EQ(r.out, "\n");
            EXPECT_EQ(r.err, info_lines(Prog::pelkin, rate, 16, 1));
            EXPECT_EQ(r.status, 0);
        }
    }
}

TEST(TinySampleRate, PelkinRefusesTheDcFilterOutside240To768000Hz) {
    for (int rate : {1, 239}) {
        ProcessResult r = run_at_rate(Prog::pelkin, rate, {"--dc"});
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err,
                  info_lines(Prog::pelkin, rate, 16, 1) + "error: --dc needs a sample rate of at least 240 Hz\n");
        EXPECT_EQ(r.status, 255);
    }
    ProcessResult r = run_at_rate(Prog::pelkin, 240, {"--dc"});
    EXPECT_EQ(r.out, "\n");
    EXPECT_EQ(r.status, 0);
    ProcessResult high = run_at_rate(Prog::pelkin, 768001, {"--dc"});
    EXPECT_EQ(high.out, "");
    EXPECT_EQ(high.err, info_lines(Prog::pelkin, 768001, 16, 1) + "error: --dc takes sample rates up to 768000 Hz\n");
    EXPECT_EQ(high.status, 255);
}

TEST(TinySampleRate, OstrelRefusesTheTwoBinDetectorBelow2175Hz) {
    for (int rate : {1, 2174}) {
        ProcessResult r = run_at_rate(Prog::ostrel, rate, {});
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, info_lines(rate, 16, 1) + "error: sample rate " + std::to_string(rate) +
                             " Hz is too low for the two-bin tone detector (at least 2175 Hz)\n");
        EXPECT_EQ(r.status, 255);
    }
}

TEST(TinySampleRate, OstrelReadsToTheEndWithTheOtherDetectorsAndWarns) {
    const std::string warning =
        "warning: below 44100 Hz the tone window spans too many bits; packets will not decode\n";
    for (const char* mode : {"-d1", "-d2"}) {
        SCOPED_TRACE(mode);
        ProcessResult r = run_at_rate(Prog::ostrel, 1, {mode});
        EXPECT_EQ(r.out, "\n");
        EXPECT_EQ(r.err, info_lines(1, 16, 1) + warning);
        EXPECT_EQ(r.status, 0);
    }
    ProcessResult r = run_at_rate(Prog::ostrel, 2175, {});
    EXPECT_EQ(r.out, "\n");
    EXPECT_EQ(r.err, info_lines(2175, 16, 1) + warning);
    EXPECT_EQ(r.status, 0);
}

}  // namespace
