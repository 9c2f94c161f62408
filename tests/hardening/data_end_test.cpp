// Data that stops anywhere: inside a sample, inside a run of equal levels,
// inside a frame. The programs print what was complete, one empty line, and
// end with status 0, from a file and from a pipe alike.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostile_input.h"

namespace {

class DataEnd : public ::testing::TestWithParam<Prog> {};

std::string all_lines(Prog p) { return join(good_lines(p)) + "\n"; }
std::string all_but_last(Prog p) {
    const std::vector<std::string> lines = good_lines(p);
    return join(lines, 0, lines.size() - 1) + "\n";
}

TEST_P(DataEnd, InTheMiddleOfASampleTheHalfSampleIsDropped) {
    const Prog p = GetParam();
    const std::string wav = good_recording(p).wav + '\x01';
    for (bool on_stdin : {false, true}) {
        SCOPED_TRACE(on_stdin);
        ProcessResult r = on_stdin ? run_on_stdin(p, {}, wav) : run_on_file(p, {}, wav);
        EXPECT_EQ(r.out, all_lines(p));
        EXPECT_EQ(r.err, info_lines(p, kRate, 16, 1));
        EXPECT_EQ(r.status, 0);
    }
}

TEST_P(DataEnd, InTheMiddleOfTheFirstSampleNothingIsDecoded) {
    const Prog p = GetParam();
    const std::string wav = good_recording(p).wav.substr(0, kWavHeaderBytes + 1);
    ProcessResult r = run_on_stdin(p, {}, wav);
    EXPECT_EQ(r.out, "\n");
    EXPECT_EQ(r.err, info_lines(p, kRate, 16, 1));
    EXPECT_EQ(r.status, 0);
}

// Stereo: the stream ends after the chosen channel's sample but before the
// other channel's.
TEST_P(DataEnd, InTheMiddleOfAStereoSampleFrame) {
    const Prog p = GetParam();
    std::string stereo = good_recording(p).wav.substr(0, kWavHeaderBytes);
    stereo = patch_le(stereo, 22, 2, 2);
    stereo = patch_le(stereo, 28, kRate * 4, 4);
    stereo = patch_le(stereo, 32, 4, 2);
    stereo += std::string("\x10\x00\x20\x00\x30\x00\x40", 7);
    ProcessResult r = run_on_stdin(p, {}, stereo);
    EXPECT_EQ(r.out, "\n");
    EXPECT_EQ(r.err, info_lines(p, kRate, 16, 2));
    EXPECT_EQ(r.status, 0);
}

// After the last frame the signal idles at one level (or one tone): the
// run still open when the data stops is never closed.
TEST_P(DataEnd, InTheMiddleOfARunAfterTheLastFrame) {
    const Prog p = GetParam();
    const Recording rec = good_recording(p);
    const std::size_t total = (rec.wav.size() - kWavHeaderBytes) / 2;
    const std::size_t cut = (rec.frame_end.back() + total) / 2;
    ProcessResult r = run_on_stdin(p, {}, cut_after_samples(rec.wav, cut));
    EXPECT_EQ(r.out, all_lines(p));
    EXPECT_EQ(r.status, 0);
}

TEST_P(DataEnd, InTheMiddleOfARunThatNeverEnds) {
    const Prog p = GetParam();
    const std::string wav = mono_wav(std::vector<double>(48000, 0.5));
    ProcessResult r = run_on_stdin(p, {}, wav);
    EXPECT_EQ(r.out, "\n");
    EXPECT_EQ(r.err, info_lines(p, kRate, 16, 1));
    EXPECT_EQ(r.status, 0);
}

// The frame being collected when the data stops is dropped, wherever the
// cut falls inside it.
TEST_P(DataEnd, InTheMiddleOfAFrameTheFrameIsDropped) {
    const Prog p = GetParam();
    const Recording rec = good_recording(p);
    const std::size_t start = rec.frame_start.back(), end = rec.frame_end.back();
    for (int k = 1; k < 8; k++) {
        const std::size_t cut = start + (end - start) * static_cast<std::size_t>(k) / 8;
        SCOPED_TRACE(cut);
        ProcessResult r = run_on_stdin(p, {}, cut_after_samples(rec.wav, cut));
        EXPECT_EQ(r.out, all_but_last(p));
        EXPECT_EQ(r.err, info_lines(p, kRate, 16, 1));
        EXPECT_EQ(r.status, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(AllPrograms, DataEnd, ::testing::ValuesIn(kAllProgs), prog_param_name);

std::string mid_last_frame(Prog p) {
    const Recording rec = good_recording(p);
    return cut_after_samples(rec.wav, (rec.frame_start.back() + rec.frame_end.back()) / 2);
}

TEST(DataEndOptions, OtherSlicerModesDropTheCutFrameToo) {
    struct Case {
        Prog p;
        std::vector<std::string> args;
    };
    for (const Case& c : {Case{Prog::vardo, {"--res"}}, Case{Prog::pelkin, {"--res"}}, Case{Prog::pelkin, {"--dc"}},
                          Case{Prog::pelkin, {"--auto"}}, Case{Prog::ostrel, {"-d2"}}}) {
        SCOPED_TRACE(prog_name(c.p) + " " + c.args[0]);
        ProcessResult r = run_on_stdin(c.p, c.args, mid_last_frame(c.p));
        EXPECT_EQ(r.out, all_but_last(c.p));
        EXPECT_EQ(r.status, 0);
    }
}

// Integrate-and-dump modes print the cut frame as far as it was read, the
// rest of the frame buffer still holding the frame before; it is marked bad.
TEST(DataEndOptions, VardoIntegrateAndDumpPrintsTheCutFrameMarkedBad) {
    const std::string cut_line =
        "ID: 312-A-10837 frame:   2 date: 2024-02-07 time: (23:59:44)  lat: 52.502000  lon: 13.404000  "
        "alt:  1210.00   vH:    5.0 km/h  D:   36.9\xc2\xb0  vV:    5.0 m/s   # NO\n";
    const std::vector<std::string> lines = good_lines(Prog::vardo);
    const std::string before = lines[0] + "  # NO\n" + lines[1] + "  # OK\n";
    for (const char* mode : {"-b1", "-b2"}) {
        SCOPED_TRACE(mode);
        ProcessResult r = run_on_stdin(Prog::vardo, {"-v", mode}, mid_last_frame(Prog::vardo));
        EXPECT_EQ(r.out, before + cut_line + "\n");
        EXPECT_EQ(r.status, 0);
        ProcessResult good = run_on_stdin(Prog::vardo, {"-g", mode}, mid_last_frame(Prog::vardo));
        EXPECT_EQ(good.out, lines[1] + "\n\n");
    }
}

TEST(DataEndOptions, PelkinIntegrateAndDumpPrintsTheCutFrameMarkedBad) {
    const std::vector<std::string> lines = good_lines(Prog::pelkin);
    std::string cut_line = lines[2];
    cut_line.replace(cut_line.size() - 4, 4, "[NO]");
    ProcessResult r = run_on_stdin(Prog::pelkin, {"-b"}, mid_last_frame(Prog::pelkin));
    EXPECT_EQ(r.out, lines[0] + "\n" + lines[1] + "\n" + cut_line + "\n\n");
    EXPECT_EQ(r.status, 0);
    ProcessResult good = run_on_stdin(Prog::pelkin, {"-b", "-g"}, mid_last_frame(Prog::pelkin));
    EXPECT_EQ(good.out, lines[0] + "\n" + lines[1] + "\n\n");
}

}  // namespace
