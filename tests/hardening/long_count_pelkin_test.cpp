// A stream of more than 2^31 samples, in short: pelkin's sample counter is
// started just below 2^31 and 2^32 (as if that many samples had gone
// before) and a recording must decode exactly as from a fresh start. The
// full-length stream is tests/long/long-input.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>

#include "hostile_input.h"
#include "pelkin/capture_loop.h"
#include "pelkin/dc_filter.h"

using namespace sonde;
using namespace sonde::pelkin;

namespace {

struct Mode {
    bool dc = false;
    bool integrate = false;
};

std::string decode_with_count(const std::string& wav, uint64_t first_count, Mode mode) {
    TempDir dir;
    const std::string path = dir.file("out");
    const int out = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int null = open("/dev/null", O_WRONLY);
    auto d = std::make_unique<PelkinDecoder>();
    pelkin_decoder_init(*d, out);
    d->opt.option_b = mode.integrate ? FrameBitSource::integrate_dump : FrameBitSource::slicer;
    d->opt.option_dc = mode.dc ? 1 : 0;
    source_open_memory(d->in.src, wav.data(), wav.size());
    EXPECT_EQ(read_wav_header(d->in, null), 0);
    d->in.sample_count = first_count;
    if (mode.dc) {
        EXPECT_TRUE(dc_filter_open(d->dc, d->in, dc_window_length(d->in.samples_per_bit)));
    }
    capture_loop(*d);
    if (mode.dc) dc_filter_close(d->dc);
    close(out);
    close(null);
    return read_file(path);
}

TEST(LongStreamCount, PelkinDecodesAlikePastTwoToThe31And32Samples) {
    const std::string wav = good_recording(Prog::pelkin).wav;
    const std::string expected = join(good_lines(Prog::pelkin));
    for (Mode mode : {Mode{false, false}, Mode{true, false}, Mode{false, true}, Mode{true, true}}) {
        SCOPED_TRACE(std::to_string(mode.dc) + std::to_string(mode.integrate));
        EXPECT_EQ(decode_with_count(wav, 0, mode), expected);
        // The frames straddle the wrap of a 32-bit counter.
        for (uint64_t first : {(1ull << 31) - 12000, (1ull << 32) - 12000, (1ull << 40) + 7}) {
            SCOPED_TRACE(first);
            EXPECT_EQ(decode_with_count(wav, first, mode), expected);
        }
    }
}

}  // namespace
