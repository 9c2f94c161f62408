// The command line and the input side: sample rates, widths, channels,
// header shapes, standard input, polarity and the bit-rate correction.
#include <gtest/gtest.h>

#include "vardo_e2e_support.h"

namespace {
const OutputForm kVerbose{1, false, false};
}

TEST(Input, SampleRates) {
    const auto frames = flight(1, 4);
    for (int rate : {44100, 48000, 96000}) {
        RecordingShape shape;
        shape.wav.sample_rate = rate;
        ProcessResult r = run_vardo({"-v"}, recording(frames, shape));
        EXPECT_EQ(r.out, expect_run(frames, kVerbose)) << rate;
        EXPECT_EQ(r.err, header_lines(rate, 16, 1));
    }
}

TEST(Input, EightBitSamples) {
    const auto frames = flight(2, 4);
    RecordingShape shape;
    shape.wav.bits = 8;
    shape.wav.sample_rate = 44100;
    ProcessResult r = run_vardo({"-v"}, recording(frames, shape));
    EXPECT_EQ(r.out, expect_run(frames, kVerbose));
    EXPECT_EQ(r.err, header_lines(44100, 8, 1));
}

TEST(Input, StereoSecondChannel) {
    const auto frames = flight(1, 3);
    RecordingShape shape;
    shape.wav.channels = 2;
    shape.wav.signal_channel = 1;
    const std::string wav = recording(frames, shape);
    EXPECT_EQ(run_vardo({"--ch2", "-v"}, wav).out, expect_run(frames, kVerbose));
    // The first channel is silent: nothing but the final newline.
    EXPECT_EQ(run_vardo({"-v"}, wav).out, "\n");
    shape.wav.signal_channel = 0;
    EXPECT_EQ(run_vardo({"-v"}, recording(frames, shape)).out, expect_run(frames, kVerbose));
}

TEST(Input, HeaderShapes) {
    const auto frames = flight(2, 3, true);
    for (WavHeaderStyle style :
         {WavHeaderStyle::list_chunk, WavHeaderStyle::fmt18, WavHeaderStyle::sizes_zero, WavHeaderStyle::sizes_max}) {
        RecordingShape shape;
        shape.wav.style = style;
        EXPECT_EQ(run_vardo({"--csv"}, recording(frames, shape)).out, expect_run(frames, {0, false, true}));
    }
}

TEST(Input, StandardInputGivesTheSameOutputAsAFile) {
    const auto frames = flight(1, 4);
    const std::string wav = recording(frames);
    ProcessResult file = run_vardo({"-vv"}, wav);
    ProcessResult in = run_vardo({"-vv"}, wav, true);
    EXPECT_EQ(in.status, 0);
    EXPECT_EQ(in.out, file.out);
    EXPECT_EQ(in.err, file.err);
    EXPECT_EQ(in.out, expect_run(frames, {2, false, false}));
}

TEST(Input, BothPolaritiesWithAndWithoutInvert) {
    const auto frames = flight(1, 4);
    RecordingShape inverted;
    inverted.invert = true;
    for (const std::string& wav : {recording(frames), recording(frames, inverted)}) {
        EXPECT_EQ(run_vardo({"-v"}, wav).out, expect_run(frames, kVerbose));
        EXPECT_EQ(run_vardo({"-i", "-v"}, wav).out, expect_run(frames, kVerbose));
        EXPECT_EQ(run_vardo({"--invert", "-v"}, wav).out, expect_run(frames, kVerbose));
    }
}

TEST(Input, BitRateCorrection) {
    const auto frames = flight(1, 3);
    const std::string wav = recording(frames);
    struct Case {
        const char* rate;
        const char* line;
    };
    const Case cases[] = {{"9600", "sps corr: 5.0000\n"},  {"9500", "sps corr: 5.0526\n"},
                          {"5000", "sps corr: 5.0000\n"},  {"fast", "sps corr: 5.0000\n"},
                          {"10000", "sps corr: 4.8000\n"}, {"10001", "sps corr: 5.0000\n"}};
    for (const Case& c : cases) {
        ProcessResult r = run_vardo({"--br", c.rate, "-v"}, wav);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, header_lines(48000, 16, 1) + c.line) << c.rate;
        if (std::string(c.rate) != "10000") {
            EXPECT_EQ(r.out, expect_run(frames, kVerbose)) << c.rate;
        }
    }
}

TEST(Input, BitRateWithoutValueFails) {
    ProcessResult r = run_program(VARDO_EXE, {"-v", "--br"}, recording(flight(1, 2)));
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
}

// Lines for the accepted options that the help text above does not name.
const std::string kAddedHelpLines =
    "       -vv\n       --res\n       --ch2\n       -b1\n       -b2\n       --json\n       --version\n       -h, "
    "--help\n";

TEST(Input, HelpText) {
    ProcessResult r = run_program(VARDO_EXE, {"-v", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, std::string(VARDO_EXE) +
                         " [options] audio.wav\n  options:\n       -v, --verbose\n       -r, --raw\n       -c, "
                         "--color\n       -i, --invert\n       -g, --good\n       -b, --save\n       --csv\n       "
                         "--br\n       --rawbits\n" +
                         kAddedHelpLines);
    EXPECT_EQ(run_program(VARDO_EXE, {"-h"}).status, 0);
}

TEST(Input, OptionsAfterTheFileAreIgnored) {
    const auto frames = flight(1, 3);
    TempDir dir;
    write_file(dir.file("a.wav"), recording(frames));
    ProcessResult r = run_program(VARDO_EXE, {"-v", dir.file("a.wav"), "-h", "--csv"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, expect_run(frames, kVerbose));
}

TEST(Input, MissingFileAndRefusedHeaders) {
    ProcessResult r = run_program(VARDO_EXE, {"--bogus"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "--bogus konnte nicht geoeffnet werden\n");
    EXPECT_EQ(r.out, "");
    r = run_program(VARDO_EXE, {}, "RIFF....WAVX");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "");
    WavSpec wav_spec;
    std::string h = wav_header(wav_spec, 0);
    h[34] = 24;  // 24-bit samples
    r = run_program(VARDO_EXE, {}, h + std::string(100, '\0'));
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "sample_rate: 48000\nbits       : 24\nchannels   : 1\n");
}

TEST(Input, EmptyAndCutDataEndWithANewline) {
    WavSpec wav_spec;
    ProcessResult r = run_program(VARDO_EXE, {}, wav_header(wav_spec, 0));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\n");
    // Cut in the middle of the second frame: only the first capture is lost.
    const auto frames = flight(1, 3);
    std::string wav = recording(frames);
    wav.resize(wav.size() - 48000 / 8);
    r = run_vardo({"-v"}, wav);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, expect_run({frames[0], frames[1]}, kVerbose));
}
