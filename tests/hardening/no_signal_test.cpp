// Input without a signal: silence and noise alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostile_input.h"
#include "synth/signals.h"

namespace {

class NoSignal : public ::testing::TestWithParam<Prog> {};

std::vector<std::vector<std::string>> modes(Prog p) {
    switch (p) {
        case Prog::vardo:
            return {{}, {"-v", "--res"}, {"-v", "-b1"}, {"-v", "-b2"}, {"-r", "-v"}};
        case Prog::pelkin:
            return {{}, {"--res"}, {"--dc"}, {"-b"}, {"--auto"}, {"-r"}};
        case Prog::ostrel:
            return {{}, {"-d2"}, {"-r"}};
    }
    return {};
}

std::string joined(const std::vector<std::string>& args) {
    std::string s;
    for (const auto& a : args) s += a + " ";
    return s;
}

TEST_P(NoSignal, SilenceGivesOnlyTheEmptyLine) {
    const Prog p = GetParam();
    for (int bits : {8, 16}) {
        const std::string wav = mono_wav(std::vector<double>(kRate, 0.0), kRate, bits);
        for (const auto& args : modes(p)) {
            SCOPED_TRACE(joined(args) + std::to_string(bits));
            ProcessResult r = run_on_stdin(p, args, wav);
            EXPECT_EQ(r.out, "\n");
            EXPECT_EQ(r.err, info_lines(p, kRate, bits, 1));
            EXPECT_EQ(r.status, 0);
        }
    }
}

std::string noise_wav(uint64_t seed) {
    std::vector<double> x(kRate, 0.0);
    add_noise_sigma(x, 0.2, seed);
    return mono_wav(x);
}

// A second of Gaussian noise from fixed seeds: no frame line at all.
TEST_P(NoSignal, NoiseGivesOnlyTheEmptyLine) {
    const Prog p = GetParam();
    for (uint64_t seed : {1u, 2u, 3u}) {
        const std::string wav = noise_wav(seed);
        for (const auto& args : modes(p)) {
            SCOPED_TRACE(joined(args) + std::to_string(seed));
            ProcessResult r = run_on_stdin(p, args, wav);
            EXPECT_EQ(r.out, "\n");
            EXPECT_EQ(r.err, info_lines(p, kRate, 16, 1));
            EXPECT_EQ(r.status, 0);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllPrograms, NoSignal, ::testing::ValuesIn(kAllProgs), prog_param_name);

}  // namespace

namespace {

// Band-limited noise now and then spells a sync word; the frame read after
// it fails its check and is printed marked bad, never as good, and -g
// leaves it out.
TEST(NoSignalPelkin, BandLimitedNoiseGivesOnlyBadFrames) {
    std::vector<double> x(40 * kRate, 0.0);
    add_noise_sigma(x, 0.2, 2);
    smooth(x, 5);
    const std::string wav = mono_wav(x);
    ProcessResult r = run_on_stdin(Prog::pelkin, {"--auto"}, wav);
    EXPECT_EQ(r.status, 0);
    int lines = 0;
    for (std::size_t at = 0, nl; (nl = r.out.find('\n', at)) != std::string::npos; at = nl + 1) {
        const std::string line = r.out.substr(at, nl - at);
        if (line.empty()) continue;
        lines++;
        EXPECT_EQ(line.substr(line.size() - 10), "# CRC [NO]") << line;
    }
    EXPECT_GE(lines, 1);
    ProcessResult good = run_on_stdin(Prog::pelkin, {"--auto", "-g"}, wav);
    EXPECT_EQ(good.out, "\n");
    EXPECT_EQ(good.status, 0);
}

}  // namespace
