// rxchain as a program: synthesizer recordings through it decode, from a
// file and from a pipe, and receiver noise alone comes out at the asked
// length with no input at all.
#include <gtest/gtest.h>

#include <string>

#include "support/run_program.h"

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
