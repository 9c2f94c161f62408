#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "pelkin/frame_layer.h"
#include "pelkin/pelkin_synth.h"

using namespace sonde;
using namespace sonde::pelkin;

namespace {
// Captures what the handler writes.
struct Pipe {
    int fd[2];
    Pipe() {
        EXPECT_EQ(pipe(fd), 0);
        fcntl(fd[0], F_SETFL, O_NONBLOCK);
    }
    ~Pipe() {
        close(fd[0]);
        close(fd[1]);
    }
    std::string take() {
        std::string s;
        char buf[4096];
        ssize_t n;
        while ((n = read(fd[0], buf, sizeof buf)) > 0) s.append(buf, static_cast<std::size_t>(n));
        return s;
    }
};

std::string body_bits(const PelkinFrameBytes& b, int extra_aa = 0) {
    return pelkin_air_bits(b, extra_aa).substr(20, 500);
}

struct Handler {
    PelkinFrame f;
    PelkinOptions opt;
    Pipe out;
    std::string frame(const std::string& bits, int collected = kFrameBits) {
        std::memcpy(f.frame_bits, bits.data(), bits.size());
        f.collected = collected;
        print_frame(f, opt, out.fd[1]);
        return out.take();
    }
};

PelkinFrameBytes bad_crc(PelkinFields fields) {
    PelkinFrameBytes b = pelkin_frame_bytes(fields);
    b[49] ^= 0x40;
    return b;
}

const std::string kAllPreamble = [] {
    std::string s;
    for (int i = 0; i < 50; i++) s += pelkin_group(0xAA);
    return s;
}();
}  // namespace

TEST(FrameHandler, GoodFrameWritesOneTextLine) {
    Handler h;
    std::string line = h.frame(body_bits(pelkin_frame_bytes(PelkinFields{}), 2));
    EXPECT_EQ(line.substr(0, 22), " 06-12-26 12:34:56.789");
    EXPECT_EQ(line.substr(line.size() - 13), "  # CRC [OK]\n");
}

TEST(FrameHandler, AllPreambleCaptureIsNoFrame) {
    Handler h;
    ASSERT_NE(h.frame(body_bits(pelkin_frame_bytes(PelkinFields{}))), "");
    EXPECT_EQ(h.frame(kAllPreamble), "");  // the previous frame is not repeated
    h.opt.option_csv = 1;
    EXPECT_EQ(h.frame(kAllPreamble), "");
    h.opt.option_raw = RawForm::hex;
    EXPECT_EQ(h.frame(kAllPreamble), "");
}

TEST(FrameHandler, AllPreambleCaptureStillDumpsItsBits) {
    Handler h;
    h.opt.option_raw = RawForm::bits;
    std::string dump = h.frame(kAllPreamble);
    ASSERT_EQ(dump.size(), 601u);
    EXPECT_EQ(dump.substr(0, 24), "0 01010101 10 01010101 1");
    // With -g the dump follows the CRC of the bytes held, which are still
    // those of the last frame.
    h.opt.option_good = 1;
    EXPECT_EQ(h.frame(body_bits(bad_crc(PelkinFields{}))), "");
    EXPECT_EQ(h.frame(kAllPreamble), "");
    EXPECT_EQ(h.frame(body_bits(pelkin_frame_bytes(PelkinFields{}))).size(), 601u);
    EXPECT_EQ(h.frame(kAllPreamble), dump);
}

TEST(FrameHandler, CaptureEndingBeforeItsCrcCannotPassWithStaleBytes) {
    Handler h;
    std::string bits = body_bits(pelkin_frame_bytes(PelkinFields{}));
    ASSERT_NE(h.frame(bits).find("[OK]"), std::string::npos);
    // The same frame cut after 200 bits (integrate-and-dump at the end of
    // the data): the rest of the buffer still holds the frame before.
    std::string cut = bits;
    cut[200] = '\0';
    EXPECT_NE(h.frame(cut, 200).find("[NO]"), std::string::npos);
    // 49 preamble groups and one byte: only byte 3 is new.
    std::string late = kAllPreamble.substr(0, 490) + pelkin_group(0x01);
    EXPECT_NE(h.frame(late).find("[NO]"), std::string::npos);
}

TEST(FrameHandler, ZeroLatitudePlusLongitudeWritesNoReport) {
    PelkinFields f;
    f.lat_e6 = 1000;
    f.lon_e6 = -1000;
    Handler h;
    std::string bits = body_bits(pelkin_frame_bytes(f));
    EXPECT_EQ(h.frame(bits), "");
    EXPECT_EQ(h.frame(body_bits(bad_crc(f))), "");
    h.opt.option_csv = 1;
    EXPECT_EQ(h.frame(bits), "");
    h.opt.option_raw = RawForm::hex;
    EXPECT_NE(h.frame(bits), "");
}

TEST(FrameHandler, GoodOptionDropsBadFramesExceptInCsv) {
    Handler h;
    h.opt.option_good = 1;
    std::string bits = body_bits(bad_crc(PelkinFields{}));
    EXPECT_EQ(h.frame(bits), "");
    h.opt.option_raw = RawForm::hex;
    EXPECT_EQ(h.frame(bits), "");
    h.opt.option_raw = RawForm::bits;
    EXPECT_EQ(h.frame(bits), "");
    h.opt.option_raw = RawForm::none;
    h.opt.option_csv = 1;
    std::string line = h.frame(bits);
    EXPECT_EQ(line.substr(line.size() - 6), ",FAIL\n");
}

TEST(FrameHandler, RawOutputIgnoresCsvAndVerbose) {
    Handler h;
    std::string bits = body_bits(pelkin_frame_bytes(PelkinFields{}));
    h.opt.option_raw = RawForm::hex;
    std::string plain = h.frame(bits);
    h.opt.option_csv = h.opt.option_verbose = 1;
    EXPECT_EQ(h.frame(bits), plain);
    EXPECT_EQ(plain.size(), 45u * 3 + 14);
}

TEST(FrameHandler, CsvIgnoresVerbose) {
    Handler h;
    std::string bits = body_bits(pelkin_frame_bytes(PelkinFields{}));
    h.opt.option_csv = 1;
    std::string plain = h.frame(bits);
    h.opt.option_verbose = 1;
    EXPECT_EQ(h.frame(bits), plain);
}

TEST(FrameHandler, ZeroPaddedFrameDecodesPaddingAsZeroBytes) {
    Handler h;
    h.opt.option_raw = RawForm::hex;
    std::string bits = body_bits(pelkin_frame_bytes(PelkinFields{})).substr(0, 400) + std::string(100, '0');
    std::string hex = h.frame(bits);
    // Bytes 43..47 came from the padding; the stored CRC reads 0000.
    EXPECT_EQ(hex.substr(40 * 3, 15), "00 00 00 00 00 ");
    EXPECT_EQ(hex.substr(45 * 3, 7), " 0000 #");
}
