// ostrel decides alike on every platform. Faint 8-bit recordings (the tone
// at about 0.8 of the least step, dithered by the noise) leave most samples
// 0 or +-1, so the two tones' bins and the spectrum's peaks often tie to the
// last bit; before the detector took its twiddles and magnitudes from its
// own tables and arithmetic, aarch64 decoded these very recordings
// differently from x86-64 with every detector. The outputs are pinned as
// hashes of the x86-64 output, so that a run on another platform (or under
// an emulator) catches any difference.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.h"

namespace {

const std::string kExe = OSTREL_EXE;
const std::string kSynth = OSTREL_SYNTH_EXE;

uint64_t fnv1a(const std::string& s) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char c : s) h = (h ^ c) * 0x100000001b3ull;
    return h;
}

struct PlatformCase {
    int seed;             // ostrel-synth --frames 3 --bits 8 --amplitude 0.0033 --snr 8 --seed N
    uint64_t recording;   // hash of that recording
    const char* options;  // ostrel's options, space-separated
    uint64_t output;      // hash of ostrel's standard output on x86-64
};

class PinnedOutput : public ::testing::TestWithParam<PlatformCase> {};

TEST_P(PinnedOutput, IsTheX86Output) {
    const PlatformCase c = GetParam();
    TempDir dir;
    const std::string wav = dir.file("faint.wav");
    const ProcessResult synth = run_program(kSynth, {"--frames", "3", "--bits", "8", "--amplitude", "0.0033", "--snr",
                                                     "8", "--seed", std::to_string(c.seed), "-o", wav});
    ASSERT_EQ(synth.status, 0) << synth.err;
    ASSERT_EQ(fnv1a(read_file(wav)), c.recording) << "the synthesizer made a different recording";
    std::vector<std::string> args;
    std::istringstream words(c.options);
    for (std::string w; words >> w;) args.push_back(w);
    args.push_back(wav);
    const ProcessResult r = run_program(kExe, args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find('\n'), std::string::npos);
    EXPECT_EQ(fnv1a(r.out), c.output) << std::hex << fnv1a(r.out) << "\n" << r.out;
}

// Each of these differed on aarch64 before.
INSTANTIATE_TEST_SUITE_P(
    FaintRecordings, PinnedOutput,
    ::testing::Values(PlatformCase{6, 0x7082a25b6500bc61ull, "--rawbits", 0xfdd3ae0f5ee145d7ull},
                      PlatformCase{6, 0x7082a25b6500bc61ull, "-r", 0x0d55f1f6b9b479afull},
                      PlatformCase{6, 0x7082a25b6500bc61ull, "-d1", 0x41edc640324eb0eeull},
                      PlatformCase{6, 0x7082a25b6500bc61ull, "-d1 -r", 0x31e4f434069de539ull},
                      PlatformCase{6, 0x7082a25b6500bc61ull, "-d2 -r", 0xbaa9155f3f308abcull},
                      PlatformCase{8, 0xa0ab51ed8790dbbfull, "-r", 0x91486384aee78110ull},
                      PlatformCase{8, 0xa0ab51ed8790dbbfull, "-d1 --rawbits", 0x75e91b29ac43f61bull},
                      PlatformCase{8, 0xa0ab51ed8790dbbfull, "-d2", 0x34de08a981874732ull},
                      PlatformCase{8, 0xa0ab51ed8790dbbfull, "-d2 --rawbits", 0x4a83fb2c9f8896e7ull}));

}  // namespace
