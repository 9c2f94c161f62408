// The synthesizers' --sent list: one line of upper-case hexadecimal per
// frame sent, whatever the kind, and the option refused without its file.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.h"

namespace {

struct SentCase {
    const char* exe;
    std::vector<std::string> args;
    int frames;
    std::size_t bytes;  // per frame; 0: whatever, the same for every frame
};

class SynthSent : public ::testing::TestWithParam<SentCase> {};

TEST_P(SynthSent, OneHexLinePerFrame) {
    const SentCase& c = GetParam();
    TempDir dir;
    std::vector<std::string> args = c.args;
    args.insert(args.end(),
                {"--frames", std::to_string(c.frames), "--sent", dir.file("sent.txt"), "-o", dir.file("out.wav")});
    const ProcessResult r = run_program(c.exe, args);
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream text(read_file(dir.file("sent.txt")));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(c.frames));
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find_first_not_of("0123456789ABCDEF"), std::string::npos) << line;
        EXPECT_EQ(line.size(), c.bytes != 0 ? 2 * c.bytes : lines[0].size());
        EXPECT_FALSE(line.empty());
    }
    EXPECT_NE(lines.front(), lines.back());  // the frames differ (counters, time)
    // The option without its file is refused.
    EXPECT_EQ(run_program(c.exe, {"--sent"}).status, 2);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, SynthSent,
                         ::testing::Values(SentCase{VARDO_SYNTH_EXE, {}, 3, 101},
                                           SentCase{VARDO_SYNTH_EXE, {"--type", "2"}, 3, 68},
                                           SentCase{PELKIN_SYNTH_EXE, {}, 3, 0}, SentCase{OSTREL_SYNTH_EXE, {}, 3, 0}));

}  // namespace
