// Interrupted pipes: the reader of standard output goes away while the
// audio keeps coming, and the writer of standard input stops in the middle
// of a sample after handing the data over in odd-sized pieces.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "hostile_input.h"

namespace {

class Pipes : public ::testing::TestWithParam<Prog> {};

struct PipeRun {
    std::string first_line;  // standard output up to its first newline
    std::string err;
    int status = -1;      // exit status, or 128 + signal
    std::size_t fed = 0;  // bytes the program took from standard input
    bool timed_out = false;
};

// Feeds the stream to the program and closes our end of its standard output
// as soon as one line has arrived. The program's SIGPIPE is left at its
// default or ignored, as a parent process may have set it.
PipeRun close_reader_after_first_line(Prog p, const std::string& stream, bool ignore_sigpipe) {
    PipeRun run;
    TempDir dir;
    const std::string err_path = dir.file("stderr");
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return run;
    std::signal(SIGPIPE, SIG_IGN);  // our own writes see EPIPE instead
    const std::vector<std::string> cmd = program_command(prog_exe(p));
    std::vector<char*> argv;
    for (const std::string& w : cmd) argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGPIPE, ignore_sigpipe ? SIG_IGN : SIG_DFL);
        const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err, 2);
        for (int fd : {in[0], in[1], out[0], out[1], err}) close(fd);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    fcntl(in[1], F_SETFL, O_NONBLOCK);
    int in_fd = in[1], out_fd = out[0];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    char buf[4096];
    while (in_fd >= 0 || out_fd >= 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            run.timed_out = true;
            kill(pid, SIGKILL);
            break;
        }
        pollfd fds[2];
        int n = 0, i_in = -1, i_out = -1;
        if (in_fd >= 0) {
            i_in = n;
            fds[n++] = {in_fd, POLLOUT, 0};
        }
        if (out_fd >= 0) {
            i_out = n;
            fds[n++] = {out_fd, POLLIN, 0};
        }
        if (poll(fds, static_cast<nfds_t>(n), 1000) < 0 && errno != EINTR) break;
        if (i_in >= 0 && fds[i_in].revents) {
            const ssize_t w = write(in_fd, stream.data() + run.fed, stream.size() - run.fed);
            if (w > 0) run.fed += static_cast<std::size_t>(w);
            if ((w < 0 && errno != EAGAIN && errno != EINTR) || run.fed == stream.size()) {
                close(in_fd);
                in_fd = -1;
            }
        }
        if (i_out >= 0 && fds[i_out].revents) {
            const ssize_t k = read(out_fd, buf, sizeof buf);
            if (k > 0) run.first_line.append(buf, static_cast<std::size_t>(k));
            const std::size_t nl = run.first_line.find('\n');
            if (k <= 0 || nl != std::string::npos) {
                if (nl != std::string::npos) run.first_line.resize(nl + 1);
                close(out_fd);  // the reader goes away
                out_fd = -1;
            }
        }
    }
    if (in_fd >= 0) close(in_fd);
    if (out_fd >= 0) close(out_fd);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.err = read_file(err_path);
    return run;
}

// The good recording's samples again and again behind one header.
std::string repeated(Prog p, int copies) {
    const std::string wav = good_recording(p).wav;
    std::string s = wav;
    for (int k = 1; k < copies; k++) s.append(wav, kWavHeaderBytes, std::string::npos);
    return s;
}

TEST_P(Pipes, AVanishedReaderEndsTheProgramByItsNextLine) {
    const Prog p = GetParam();
    const std::string stream = repeated(p, 40);
    PipeRun r = close_reader_after_first_line(p, stream, false);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.first_line, good_lines(p)[0] + "\n");
    EXPECT_EQ(r.status, 128 + SIGPIPE);
    EXPECT_LT(r.fed, stream.size());  // it stopped reading long before the end
    EXPECT_EQ(r.err, info_lines(p, kRate, 16, 1));
}

// A parent (a service manager, say) may start the program with SIGPIPE
// ignored; a live stream never ends, so the program must not read on
// writing into the void: it ends at its next line all the same.
TEST_P(Pipes, AVanishedReaderEndsTheProgramEvenWithSigpipeIgnored) {
    const Prog p = GetParam();
    const std::string stream = repeated(p, 40);
    PipeRun r = close_reader_after_first_line(p, stream, true);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.first_line, good_lines(p)[0] + "\n");
    EXPECT_EQ(r.status, 128 + SIGPIPE);
    EXPECT_LT(r.fed, stream.size());
    EXPECT_EQ(r.err, info_lines(p, kRate, 16, 1));
}

// The program with pipes on standard input and output, standard error
// going nowhere.
struct Child {
    pid_t pid = -1;
    int in_fd = -1;   // our end of its standard input
    int out_fd = -1;  // our end of its standard output
};

Child start(Prog p, const char* option = nullptr) {
    Child c;
    int in[2], out[2];
    if (pipe(in) != 0) return c;
    if (pipe(out) != 0) {
        close(in[0]);
        close(in[1]);
        return c;
    }
    std::vector<std::string> cmd = program_command(prog_exe(p));
    if (option != nullptr) cmd.push_back(option);
    std::vector<char*> argv;
    for (const std::string& w : cmd) argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    c.pid = fork();
    if (c.pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        for (int fd : {in[0], in[1], out[0], out[1], null}) close(fd);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    c.in_fd = in[1];
    c.out_fd = out[0];
    return c;
}

int wait_for(const Child& c) {
    int status = 0;
    while (waitpid(c.pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// The writer hands the stream over in pieces that split samples and
// header fields, and closes the pipe in the middle of a sample.
TEST_P(Pipes, AWriterThatStopsInTheMiddleOfASample) {
    const Prog p = GetParam();
    const std::string stream = good_recording(p).wav + '\x7f';
    const Child child = start(p);
    ASSERT_GE(child.pid, 0);
    // The header byte by byte with pauses (the program reads one byte at a
    // time), then pieces of an odd size that split samples. The output is
    // read only at the end; it is small enough to wait in its pipe.
    std::size_t at = 0;
    for (; at < 64; at++) {
        ASSERT_EQ(write(child.in_fd, stream.data() + at, 1), 1);
        usleep(1000);
    }
    while (at < stream.size()) {
        const std::size_t n = std::min<std::size_t>(1001, stream.size() - at);
        ASSERT_EQ(write(child.in_fd, stream.data() + at, n), static_cast<ssize_t>(n));
        at += n;
    }
    close(child.in_fd);
    std::string got;
    char buf[4096];
    for (ssize_t k; (k = read(child.out_fd, buf, sizeof buf)) > 0;) got.append(buf, static_cast<std::size_t>(k));
    close(child.out_fd);
    const int status = wait_for(child);
    EXPECT_EQ(got, join(good_lines(p)) + "\n");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// Feeds the stream on a pipe that stays open: every line but the final
// newline must come out before the input ends.
void expect_lines_while_open(Prog p, const char* option, const std::string& stream, const std::string& expected) {
    const Child child = start(p, option);
    ASSERT_GE(child.pid, 0);
    std::signal(SIGPIPE, SIG_IGN);
    fcntl(child.in_fd, F_SETFL, O_NONBLOCK);
    std::string got;
    std::size_t fed = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    char buf[4096];
    // Everything but the final newline, which only the end of the input brings.
    while (got.size() + 1 < expected.size() && std::chrono::steady_clock::now() < deadline) {
        pollfd fds[2] = {{child.out_fd, POLLIN, 0},
                         {child.in_fd, static_cast<short>(fed < stream.size() ? POLLOUT : 0), 0}};
        if (poll(fds, 2, 200) <= 0) continue;
        if (fds[1].revents & POLLOUT) {
            const ssize_t w = write(child.in_fd, stream.data() + fed, stream.size() - fed);
            if (w > 0) fed += static_cast<std::size_t>(w);
        }
        if (fds[0].revents) {
            const ssize_t k = read(child.out_fd, buf, sizeof buf);
            if (k <= 0) break;
            got.append(buf, static_cast<std::size_t>(k));
        }
    }
    EXPECT_EQ(fed, stream.size());
    EXPECT_EQ(got + "\n", expected) << "before the input ended";
    close(child.in_fd);
    for (ssize_t k; (k = read(child.out_fd, buf, sizeof buf)) > 0;) got.append(buf, static_cast<std::size_t>(k));
    close(child.out_fd);
    const int status = wait_for(child);
    EXPECT_EQ(got, expected);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// The shortest start of the 16-bit mono recording that, as a file ending
// there, decodes to the expected output.
std::string shortest_start(Prog p, const std::vector<std::string>& args, const std::string& wav,
                           const std::string& expected) {
    std::size_t lo = 0, hi = (wav.size() - kWavHeaderBytes) / 2;  // samples: too few, enough
    while (hi - lo > 1) {
        const std::size_t mid = lo + (hi - lo) / 2;
        (run_on_stdin(p, args, cut_after_samples(wav, mid)).out == expected ? hi : lo) = mid;
    }
    return cut_after_samples(wav, hi);
}

// A live stream: the shortest start of the recording that decodes to every
// line (as a file that ends there) goes in, and the pipe stays open. Every
// line must come out while the program waits for more, not when the input
// ends: nothing waits in an output buffer, and nothing is held back until
// a block of input fills.
TEST_P(Pipes, EachLineLeavesWhileTheStreamStaysOpen) {
    const Prog p = GetParam();
    const std::string wav = good_recording(p).wav;
    const std::string expected = join(good_lines(p)) + "\n";
    const std::string stream = shortest_start(p, {}, wav, expected);
    ASSERT_EQ(run_on_stdin(p, {}, stream).out, expected);
    expect_lines_while_open(p, nullptr, stream, expected);
}

// The same for vardo's weak-signal receiver, which reads in blocks too.
TEST(PipesRobust, VardoLinesLeaveWhileTheStreamStaysOpen) {
    const std::string wav = good_recording(Prog::vardo).wav;
    const std::string expected = run_on_stdin(Prog::vardo, {"--robust"}, wav).out;
    ASSERT_GE(std::count(expected.begin(), expected.end(), '\n'), 3);
    expect_lines_while_open(Prog::vardo, "--robust", shortest_start(Prog::vardo, {"--robust"}, wav, expected),
                            expected);
}

INSTANTIATE_TEST_SUITE_P(AllPrograms, Pipes, ::testing::ValuesIn(kAllProgs), prog_param_name);

}  // namespace
