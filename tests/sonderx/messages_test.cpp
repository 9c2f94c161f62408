// What sonderx says and its exit status, for the mistakes people make and
// the inputs it cannot read: one table, run as separate processes; and,
// in the process, standard input that is a terminal and a reader that
// goes away.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "sonderx/program.h"
#include "sonderx_recordings.h"
#include "synth/wav_writer.h"

namespace {

enum class In { none, recording, text, empty_stdin, stdin_recording, directory };

struct MessageCase {
    const char* name;
    std::vector<std::string> args;
    In input;
    int status;
    const char* err;  // in standard error ("" for none expected)
    const char* out;  // in standard output ("" for any)
};

const MessageCase kCases[] = {
    {"UnknownLongOption",
     {"--bogus"},
     In::stdin_recording,
     2,
     "sonderx: unknown option --bogus\nTry 'sonderx --help'",
     ""},
    {"UnknownShortOption", {"-x"}, In::stdin_recording, 2, "unknown option -x", ""},
    {"ValueOnAFlag", {"--all=yes"}, In::stdin_recording, 2, "--all takes no value", ""},
    {"MissingValue", {"-o"}, In::stdin_recording, 2, "-o needs a value", ""},
    {"BadKind", {"--kind", "vardo,rs41"}, In::stdin_recording, 2, "unknown kind \"rs41\" in --kind", ""},
    {"BadRawFormat", {"--raw", "s24le", "--rate", "48k"}, In::stdin_recording, 2, "s24le", ""},
    {"RawWithoutRate", {"--raw", "s16le"}, In::stdin_recording, 2, "give it with --rate", ""},
    {"RateWithoutRaw", {"--rate", "48k"}, In::stdin_recording, 2, "--rate is for raw samples", ""},
    {"RateOutOfRange", {"--raw", "u8", "--rate", "4k"}, In::stdin_recording, 2, "out of range", ""},
    {"TwoFiles", {"a.wav", "b.wav"}, In::none, 2, "one recording at a time", ""},
    {"NoSuchFile",
     {"/nonexistent/rec.wav"},
     In::none,
     1,
     "cannot open /nonexistent/rec.wav: No such file or directory",
     ""},
    {"Directory", {}, In::directory, 1, "is a directory, not a recording", ""},
    {"TextFile", {}, In::text, 1, "is not a recording that can be read", ""},
    {"TextFileSuggestsRaw", {}, In::text, 1, "--raw s16le --rate 48000", ""},
    {"EmptyStdin", {}, In::empty_stdin, 1, "standard input is empty", ""},
    {"DashIsStdin", {"-", "--csv"}, In::stdin_recording, 0, "", "utc,kind,serial"},
    {"OptionsAfterTheFile", {}, In::recording, 0, "ostrel      1 good", "utc,kind,serial"},
    {"DoubleDashEndsOptions", {"--", "--csv"}, In::none, 1, "cannot open --csv", ""},
    {"NoKindAtTheRate",
     {"--kind", "vardo", "--raw", "s16le", "--rate", "8k"},
     In::stdin_recording,
     1,
     "no chosen kind can work at 8000 Hz",
     ""},
    {"OthersRunAtALowRate", {"--raw", "s16le", "--rate", "8k"}, In::stdin_recording, 0, "vardo needs 16kHz", ""},
    {"WriteError", {"--csv", "-o", "/dev/full"}, In::stdin_recording, 1, "cannot write to /dev/full", ""},
    {"Help", {"--help"}, In::none, 0, "", "  --kind LIST"},
    {"HelpHasRecipes", {"-h"}, In::none, 0, "", "rtl_fm -M fm -s 48k -f 403.5M - | sonderx --raw s16le --rate 48000"},
    {"Version", {"--version"}, In::none, 0, "", "sonderx "},
    {"Quiet", {"-q", "--csv"}, In::stdin_recording, 0, "", "utc,kind"},
};

void PrintTo(const MessageCase& c, std::ostream* os) { *os << c.name; }

class Messages : public ::testing::TestWithParam<MessageCase> {};

TEST_P(Messages, SayTheReasonAndGiveTheStatus) {
    const MessageCase& c = GetParam();
    const Sent s = sent_frames("ostrel", 1);
    const std::string wav = wav_image(s.audio, 48000);
    TempDir dir;
    std::vector<std::string> args = c.args;
    std::string stdin_data;
    switch (c.input) {
        case In::none:
            break;
        case In::recording:
            write_file(dir.file("r.wav"), wav);
            args.insert(args.begin(), dir.file("r.wav"));
            args.push_back("--csv");
            break;
        case In::text:
            write_file(dir.file("notes.txt"), "frequency 403.5 MHz\n");
            args.push_back(dir.file("notes.txt"));
            break;
        case In::directory:
            args.push_back(dir.path);
            break;
        case In::empty_stdin:
            break;
        case In::stdin_recording:
            stdin_data = wav;
            break;
    }
    const ProcessResult r = run_program(SONDERX_EXE, args, stdin_data);
    EXPECT_EQ(r.status, c.status) << r.err;
    if (*c.err == '\0' && std::string(c.name) == "Quiet") {
        EXPECT_EQ(r.err, "");
    }
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
    // Usage errors point to --help; nothing else writes frames on a failure.
    if (c.status == 2) {
        EXPECT_NE(r.err.find("--help"), std::string::npos);
    }
    if (c.status != 0) {
        EXPECT_EQ(r.out, "");
    }
}

INSTANTIATE_TEST_SUITE_P(Table, Messages, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<MessageCase>& i) { return std::string(i.param.name); });

int run_in_process(std::vector<std::string> args, const sonde::ProgramIo& io) {
    args.insert(args.begin(), "sonderx");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return sonde::sonderx::program_main(static_cast<int>(args.size()), argv.data(), io);
}

TEST(Terminal, StandardInputOnATerminalIsAUsageErrorWithAHint) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const int tty = open(ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(tty, 0);
    TempDir dir;
    const int err = open(dir.file("err").c_str(), O_WRONLY | O_CREAT, 0600);
    sonde::ProgramIo io;
    io.in_fd = tty;
    io.err_fd = err;
    EXPECT_EQ(run_in_process({}, io), 2);
    close(err);
    close(tty);
    close(master);
    EXPECT_NE(read_file(dir.file("err")).find("standard input is a terminal"), std::string::npos);
}

TEST(BrokenPipe, EndsQuietlyWithStatusZero) {
    std::signal(SIGPIPE, SIG_IGN);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    close(fds[0]);  // the reader has gone
    const Sent s = sent_frames("pelkin", 2);
    const std::string wav = wav_image(s.audio, 48000);
    TempDir dir;
    const int err = open(dir.file("err").c_str(), O_WRONLY | O_CREAT, 0600);
    sonde::ProgramIo io;
    io.in_mem = reinterpret_cast<const unsigned char*>(wav.data());
    io.in_len = wav.size();
    io.out_fd = fds[1];
    io.err_fd = err;
    EXPECT_EQ(run_in_process({"--csv", "-q"}, io), 0);
    close(fds[1]);
    close(err);
    EXPECT_EQ(read_file(dir.file("err")), "");
}

}  // namespace
