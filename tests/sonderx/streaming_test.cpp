// Each line leaves when its frame is complete: with the first half of a
// two-frame recording in a pipe that stays open, the first frame's line
// arrives before any more input does.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <csignal>
#include <thread>

#include "sonderx/program.h"
#include "sonderx_recordings.h"

namespace {

class Streaming : public ::testing::TestWithParam<std::string> {};

TEST_P(Streaming, TheFirstLineLeavesWhileThePipeWaits) {
    std::signal(SIGPIPE, SIG_IGN);
    const Sent s = sent_frames(GetParam(), 2);
    const std::string wav = wav_image(s.audio, 48000);
    const std::size_t half = 44 + (wav.size() - 44) / 4 * 2;  // whole samples
    int in[2], out[2];
    ASSERT_EQ(pipe(in), 0);
    ASSERT_EQ(pipe(out), 0);
    int status = -1;
    std::thread run([&] {
        char name[] = "sonderx", quiet[] = "-q", csv[] = "--csv";
        char* argv[] = {name, quiet, csv, nullptr};
        sonde::ProgramIo io;
        io.in_fd = in[0];
        io.out_fd = out[1];
        status = sonde::sonderx::program_main(3, argv, io);
        close(out[1]);
    });
    // (No ASSERT while the run's thread is joinable.)
    EXPECT_EQ(write(in[1], wav.data(), half), static_cast<ssize_t>(half));
    // The header row, then the first frame's row, while the input stays open.
    std::string got;
    pollfd p{out[0], POLLIN, 0};
    while (std::count(got.begin(), got.end(), '\n') < 2 && poll(&p, 1, 30000) == 1) {
        char buf[4096];
        const ssize_t n = read(out[0], buf, sizeof buf);
        if (n <= 0) break;
        got.append(buf, static_cast<std::size_t>(n));
    }
    const std::vector<Row> rows = csv_rows(got);
    EXPECT_EQ(rows.size(), 1u) << got;
    if (!rows.empty()) {
        EXPECT_EQ(rows[0].kind, GetParam());
        EXPECT_TRUE(rows[0].ok);
    }
    // The rest of the recording, then the end: the second frame, status 0.
    EXPECT_EQ(write(in[1], wav.data() + half, wav.size() - half), static_cast<ssize_t>(wav.size() - half));
    close(in[1]);
    char buf[4096];
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) got.append(buf, static_cast<std::size_t>(n));
    run.join();
    close(in[0]);
    close(out[0]);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(csv_rows(got).size(), 2u) << got;
}

INSTANTIATE_TEST_SUITE_P(Kinds, Streaming, ::testing::Values("vardo", "pelkin", "ostrel"),
                         [](const ::testing::TestParamInfo<std::string>& i) { return i.param; });

}  // namespace
