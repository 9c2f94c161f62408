// pelkin's command line, start-up failures and exit statuses.
#include <gtest/gtest.h>

#include "pelkin_e2e.h"

namespace {
const char kUsage[] =
    " [options] audio.wav\n"
    "  options:\n"
    "       -v, --verbose\n"
    "       -r, --raw; -R\n"
    "       -g, --good\n"
    "       -i, --invert; --auto\n"
    // Lines for the accepted options that the lines above do not name.
    "       --csv\n"
    "       --dc\n"
    "       --res\n"
    "       -b\n"
    "       --json\n"
    "       --version\n"
    "       -h, --help\n";
}  // namespace

TEST(PelkinCli, UsageText) {
    for (const char* opt : {"-h", "--help"}) {
        ProcessResult r = run_program(PELKIN_EXE, {"-v", opt, "missing.wav"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, std::string(PELKIN_EXE) + kUsage);
    }
}

TEST(PelkinCli, UnknownOptionIsTakenAsAFileName) {
    ProcessResult r = run_program(PELKIN_EXE, {"-x"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "-x konnte nicht geoeffnet werden\n");
}

TEST(PelkinCli, ArgumentsAfterTheFileNameAreIgnored) {
    Sent s = send_frames(1);
    TempDir dir;
    write_file(dir.file("a.wav"), wav_of(s.rec.signal));
    ProcessResult r = run_program(PELKIN_EXE, {dir.file("a.wav"), "-v", "--csv"});
    EXPECT_EQ(r.out, expected_output(s, Out::text));
}

TEST(PelkinCli, RefusedHeaders) {
    ProcessResult r = run_pelkin_stdin({}, "RIFX....WAVEfmt ");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(run_pelkin_stdin({}, "").status, 255);

    WavSpec wav_spec;
    std::string wav = wav_file(wav_spec, std::vector<double>(100, 0.0));
    wav[34] = 24;  // bits per sample
    r = run_pelkin_file({}, wav);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "sample_rate: 48000\nbits       : 24\nchannels   : 1\n");
}

TEST(PelkinCli, DcFilterRefusesARateBelow240Hz) {
    WavSpec wav_spec;
    wav_spec.sample_rate = 239;
    std::string wav = wav_file(wav_spec, std::vector<double>(1000, 0.25));
    ProcessResult r = run_pelkin_file({"--dc"}, wav);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "sample_rate: 239\nbits       : 16\nchannels   : 1\nsamples/bit: 0.05\n"
              "error: --dc needs a sample rate of at least 240 Hz\n");
    // Without --dc, or at 240 Hz (a one-sample window), the data is read to its end.
    EXPECT_EQ(run_pelkin_file({}, wav).out, "\n");
    wav_spec.sample_rate = 240;
    r = run_pelkin_file({"--dc"}, wav_file(wav_spec, std::vector<double>(1000, 0.25)));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\n");
}

TEST(PelkinCli, DcFilterRefusesRatesAbove768kHz) {
    WavSpec wav_spec;
    wav_spec.sample_rate = 768001;
    std::string wav = wav_file(wav_spec, std::vector<double>(1000, 0.25));
    ProcessResult r = run_pelkin_file({"--dc"}, wav);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "sample_rate: 768001\nbits       : 16\nchannels   : 1\nsamples/bit: 160.00\n"
              "error: --dc takes sample rates up to 768000 Hz\n");
    wav_spec.sample_rate = 768000;
    r = run_pelkin_file({"--dc"}, wav_file(wav_spec, std::vector<double>(1000, 0.25)));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\n");
    EXPECT_EQ(run_pelkin_file({}, wav).status, 0);
}

TEST(PelkinCli, OneNewlineAtTheEndAlsoWithoutFrames) {
    ProcessResult r = run_pelkin_stdin({}, wav_of(std::vector<double>(10, 0.0)));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\n");
    r = run_pelkin_stdin({"-b", "--dc", "--res", "-R"}, wav_of({}));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\n");
}
