// Command-line mistakes: a file that cannot be opened, an unknown option.
#include <gtest/gtest.h>

#include <string>

#include "hostile_input.h"
#include "synth/wav_writer.h"

namespace {

class CommandLine : public ::testing::TestWithParam<Prog> {};

TEST_P(CommandLine, AFileThatCannotBeOpenedIsNamedOnStandardError) {
    TempDir dir;
    const std::string missing = dir.file("no-such.wav");
    ProcessResult r = run_program(prog_exe(GetParam()), {missing}, "", dir.path);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, missing + " konnte nicht geoeffnet werden\n");
    EXPECT_EQ(r.status, 255);
}

// A directory opens but gives no bytes: the header is cut short at once.
TEST_P(CommandLine, ADirectoryIsRefusedLikeAnEmptyFile) {
    TempDir dir;
    ProcessResult r = run_program(prog_exe(GetParam()), {dir.path}, "", dir.path);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 255);
}

// Any argument that is no option is the input file, so an unknown option is
// a file that cannot be opened; standard input is not read.
TEST_P(CommandLine, AnUnknownOptionIsTakenForAFileName) {
    TempDir dir;
    const std::string wav = good_recording(GetParam()).wav;
    for (const char* bogus : {"--bogus", "-x", "--verbose=1"}) {
        SCOPED_TRACE(bogus);
        ProcessResult r = run_program(prog_exe(GetParam()), {"-v", bogus}, wav, dir.path);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, std::string(bogus) + " konnte nicht geoeffnet werden\n");
        EXPECT_EQ(r.status, 255);
    }
}

// Everything after the input file is ignored, unknown options included.
TEST_P(CommandLine, ArgumentsAfterTheFileAreIgnored) {
    TempDir dir;
    write_file(dir.file("in.wav"), good_recording(GetParam()).wav);
    ProcessResult r = run_program(prog_exe(GetParam()), {dir.file("in.wav"), "--bogus"}, "", dir.path);
    EXPECT_EQ(r.out, join(good_lines(GetParam())) + "\n");
    EXPECT_EQ(r.status, 0);
}

INSTANTIATE_TEST_SUITE_P(AllPrograms, CommandLine, ::testing::ValuesIn(kAllProgs), prog_param_name);

TEST(CommandLineVardo, BitRateOptionWithoutAValueFailsSilently) {
    ProcessResult r = run_on_stdin(Prog::vardo, {"--br"}, good_recording(Prog::vardo).wav);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 255);
}

}  // namespace
