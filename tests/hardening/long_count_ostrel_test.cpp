// A stream of more than 2^31 samples, in short: ostrel's sample index is
// started past 2^31 and 2^32 (as if that many samples had gone before) and
// a recording must decode exactly as from a fresh start. The full-length
// stream is tests/long/long-input.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>

#include "ostrel/bit_timing.h"
#include "ostrel/fast_tone.h"
#include "hostile_input.h"
#include "ostrel/options.h"
#include "ostrel/frame_layer.h"
#include "ostrel/tone_detector.h"
#include "io/wav_input.h"

using namespace sonde;
using namespace sonde::ostrel;

namespace {

struct Run {
    OstrelOptions opt;
    WavInput in;
    ToneDetector det;
    FastTone fast;
    BitTiming timing;
    PacketOutput out;
    int block[kToneBlock];
    double scaled[kToneBlock];
    int8_t decision[kToneBlock];
};

std::string decode_with_index(const std::string& wav, int64_t first_index) {
    TempDir dir;
    const std::string path = dir.file("out");
    const int out = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int null = open("/dev/null", O_WRONLY);
    auto o = std::make_unique<Run>();
    o->in.count_samples = false;
    source_open_memory(o->in.src, wav.data(), wav.size());
    EXPECT_EQ(read_wav_header(o->in, null), 0);
    set_tone_bins(o->det, o->in.sample_rate);
    init_dft(o->det);
    fast_tone_init(o->fast, o->det, o->opt.option_dft);
    bit_timing_init(o->timing, o->in.sample_rate, o->in.bits_sample);
    // As if first_index + 1 samples of silence had been read.
    o->fast.samples = first_index + 1;
    o->timing.sample_index = first_index;
    o->timing.run_start = first_index;
    auto on_frame = [&o, out](const unsigned char* bitframe, int groups) {
        print_frame(o->out, o->opt, bitframe, groups, out);
    };
    // Blocks as the program takes them, up to the next multiple of kToneBlock.
    for (;;) {
        const int room = kToneBlock - static_cast<int>(o->fast.samples % kToneBlock);
        const int n = read_signed_samples(o->in, o->block, room);
        if (n == 0) break;
        for (int i = 0; i < n; i++) o->scaled[i] = static_cast<double>(o->block[i]) * o->timing.sample_step;
        fast_tone_block(o->fast, o->det, o->scaled, n, o->decision);
        timing_decisions(o->timing, o->decision, n, on_frame);
    }
    close(out);
    close(null);
    return read_file(path);
}

TEST(LongStreamCount, OstrelDecodesAlikePastTwoToThe31And32Samples) {
    const std::string wav = good_recording(Prog::ostrel).wav;
    const std::string expected = join(good_lines(Prog::ostrel));
    EXPECT_EQ(decode_with_index(wav, -1), expected);
    for (int64_t first : {(1ll << 31) - 60000, (1ll << 32) - 60000, (1ll << 40) + 7}) {
        SCOPED_TRACE(first);
        EXPECT_EQ(decode_with_index(wav, first), expected);
    }
}

}  // namespace
