// What sonderx says and its exit status, for the mistakes people make and
// the inputs it cannot read: one table, run as separate processes; and, in
// the process, standard input that is a terminal and a reader that goes away.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "sonderx/program.h"
#include "sonderx_recordings.h"
#include "synth/wav_writer.h"

namespace {

struct MessageCase {
    const char* name;
    std::vector<std::string> args;  // @rec, @text, @dir: a recording, a text file, a directory
    bool wav_on_stdin;              // else standard input is empty
    int status;
    const char* err;  // in standard error; nullptr: standard error stays empty
    const char* out;  // in standard output
};

const MessageCase kCases[] = {
    {"UnknownLongOption", {"--bogus"}, true, 2, "sonderx: unknown option --bogus\nTry 'sonderx --help'", ""},
    {"UnknownShortOption", {"-x"}, true, 2, "unknown option -x", ""},
    {"ValueOnAFlag", {"--all=yes"}, true, 2, "--all takes no value", ""},
    {"MissingValue", {"-o"}, true, 2, "-o needs a value", ""},
    {"BadKind", {"--kind", "vardo,rs41"}, true, 2, "unknown kind \"rs41\" in --kind", ""},
    {"BadRawFormat", {"--raw", "s24le", "--rate", "48k"}, true, 2, "s24le", ""},
    {"RawWithoutRate", {"--raw", "s16le"}, true, 2, "give it with --rate", ""},
    {"RateWithoutRaw", {"--rate", "48k"}, true, 2, "--rate is for raw samples", ""},
    {"RateOutOfRange", {"--raw", "u8", "--rate", "4k"}, true, 2, "out of range", ""},
    {"IqRateOutOfRange", {"--iq", "u8", "--rate", "48k"}, true, 2, "I/Q sample rates from 96k to 3.2M", ""},
    {"IqWithoutRate", {"--iq", "u8"}, true, 2, "raw I/Q samples carry no rate", ""},
    {"BadIqFormat", {"--iq", "s24le", "--rate", "250k"}, true, 2, "unknown I/Q format \"s24le\"", ""},
    {"RawAndIq", {"--raw", "s16le", "--iq", "u8", "--rate", "250k"}, true, 2, "exclude each other", ""},
    {"CenterWithoutIq", {"--center", "403.5M"}, true, 2, "--center is for I/Q samples", ""},
    {"StatusWithoutIq", {"--status", "10"}, true, 2, "--status shows the carriers of I/Q samples", ""},
    {"StatusOfNoSeconds", {"--iq", "u8", "--rate", "250k", "--status", "0"}, true, 2, "--status takes", ""},
    {"StatusNotANumber", {"--iq", "u8", "--rate", "250k", "--status", "10s"}, true, 2, "--status takes", ""},
    {"StatusWithoutValue", {"--iq", "u8", "--rate", "250k", "--status"}, true, 2, "--status needs a value", ""},
    {"DemodWithoutIq", {"--demod", "best"}, true, 2, "--demod chooses how I/Q channels are read", ""},
    {"UnknownDemod",
     {"--iq", "u8", "--rate", "250k", "--demod", "coherent"},
     true,
     2,
     "--demod takes best or discriminator, not \"coherent\"",
     ""},
    {"BadOffset", {"--iq", "u8", "--rate", "250k", "--offset", "25kHz"}, true, 2, "--offset takes", ""},
    {"IqWavOfOneChannel", {"--iq", "wav"}, true, 1, "an I/Q recording has two, I left and Q right", ""},
    {"IqOffsetOutsideTheCapture",
     {"--iq", "u8", "--rate", "250k", "--offset", "200k"},
     true,
     0,
     "outside the capture",
     ""},
    {"TwoFiles", {"a.wav", "b.wav"}, false, 2, "one recording at a time", ""},
    {"NoSuchFile", {"/nonexistent/r.wav"}, false, 1, "cannot open /nonexistent/r.wav: No such file or directory", ""},
    {"Directory", {"@dir"}, false, 1, "is a directory, not a recording", ""},
    {"TextFile", {"@text"}, false, 1, "notes.txt is not a recording that can be read", ""},
    {"TextFileSuggestsRaw", {"@text"}, false, 1, "--raw s16le --rate 48000", ""},
    {"EmptyStdin", {}, false, 1, "standard input is empty", ""},
    {"DashIsStdin", {"-", "--csv"}, true, 0, "ostrel      1 good", "utc,kind,serial"},
    {"OptionsAfterTheFile", {"@rec", "--csv"}, false, 0, "ostrel      1 good", "utc,kind,serial"},
    {"DoubleDashEndsOptions", {"--", "--csv"}, false, 1, "cannot open --csv", ""},
    {"KindsLeftOut", {"--kind", "vardo,pelkin"}, true, 0, "  pelkin      0 good (0 corrected), 0 bad\n", ""},
    {"NoKindAtTheRate", {"--kind", "vardo", "--raw", "s16le", "--rate", "8k"}, true, 1, "no chosen kind", ""},
    {"OthersRunAtALowRate", {"--raw", "s16le", "--rate", "8k"}, true, 0, "vardo needs 16kHz", ""},
    {"WriteError", {"--csv", "-o", "/dev/full"}, true, 1, "cannot write to /dev/full: No space left", ""},
    {"Help", {"--help"}, false, 0, nullptr, "  --kind LIST"},
    {"HelpHasRecipes", {"-h"}, false, 0, nullptr, "rtl_fm -M fm -s 48k -f 403.5M - | sonderx --raw s16le --rate 48000"},
    {"HelpHasIqRecipe",
     {"--help"},
     false,
     0,
     nullptr,
     "rtl_sdr -f 403.5M -s 250k - | sonderx --iq u8 --rate 250k --center 403.5M"},
    {"Version", {"--version"}, false, 0, nullptr, "sonderx "},
    {"Quiet", {"-q", "--csv"}, true, 0, nullptr, "utc,kind"},
};

void PrintTo(const MessageCase& c, std::ostream* os) { *os << c.name; }

class Messages : public ::testing::TestWithParam<MessageCase> {};

TEST_P(Messages, SayTheReasonAndGiveTheStatus) {
    const MessageCase& c = GetParam();
    const std::string wav = wav_image(sent_frames("ostrel", 1).audio, 48000);
    TempDir dir;
    write_file(dir.file("r.wav"), wav);
    write_file(dir.file("notes.txt"), "frequency 403.5 MHz\n");
    std::vector<std::string> args = c.args;
    for (std::string& a : args)
        a = a == "@rec" ? dir.file("r.wav") : a == "@text" ? dir.file("notes.txt") : a == "@dir" ? dir.path : a;
    const ProcessResult r = run_program(SONDERX_EXE, args, c.wav_on_stdin ? wav : "");
    EXPECT_EQ(r.status, c.status) << r.err;
    if (c.err == nullptr) {
        EXPECT_EQ(r.err, "");
    } else {
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
    EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
    // Usage errors point to --help; nothing writes frames on a failure.
    EXPECT_EQ(c.status == 2, r.err.find("Try 'sonderx --help'") != std::string::npos);
    if (c.status != 0) {
        EXPECT_EQ(r.out, "");
    }
}

INSTANTIATE_TEST_SUITE_P(Table, Messages, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<MessageCase>& i) { return std::string(i.param.name); });

// sonderx in the process with io (standard error into a file); its status.
int run_in_process(std::vector<std::string> args, sonde::ProgramIo io, std::string& err) {
    TempDir dir;
    io.err_fd = open(dir.file("err").c_str(), O_WRONLY | O_CREAT, 0600);
    args.insert(args.begin(), "sonderx");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int status = sonde::sonderx::program_main(static_cast<int>(args.size()), argv.data(), io);
    close(io.err_fd);
    err = read_file(dir.file("err"));
    return status;
}

TEST(InProcess, StandardInputOnATerminalIsAUsageErrorWithAHint) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
    sonde::ProgramIo io;
    io.in_fd = open(ptsname(master), O_RDWR | O_NOCTTY);
    std::string err;
    EXPECT_EQ(run_in_process({}, io, err), 2);
    EXPECT_NE(err.find("standard input is a terminal"), std::string::npos) << err;
    close(io.in_fd);
    close(master);
}

TEST(InProcess, ABrokenPipeEndsQuietlyWithStatusZero) {
    std::signal(SIGPIPE, SIG_IGN);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    close(fds[0]);  // the reader has gone
    const std::string wav = wav_image(sent_frames("pelkin", 2).audio, 48000);
    sonde::ProgramIo io;
    io.in_mem = reinterpret_cast<const unsigned char*>(wav.data());
    io.in_len = wav.size();
    io.out_fd = fds[1];
    std::string err;
    EXPECT_EQ(run_in_process({"--csv"}, io, err), 0);
    EXPECT_EQ(err.find("sonderx: 0:"), std::string::npos) << err;  // no summary after the pipe broke
    close(fds[1]);
}

}  // namespace
