// Whatever bytes a capture holds and in whatever order frames come, the
// frame handler stays inside its buffers (the sanitizer build checks this)
// and a frame whose check field lies outside the capture is bad.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "vardo/frame_layer.h"
#include "vardo/vardo_synth.h"

using namespace sonde;
using namespace sonde::vardo;

namespace {

struct Decoder {
    std::unique_ptr<VardoFrame> f = std::make_unique<VardoFrame>();
    VardoOptions opt;
    int null_fd = ::open("/dev/null", O_WRONLY);
    ~Decoder() { ::close(null_fd); }
    // Places a capture of these bytes in the channel-bit buffer as the
    // capture loop would, at the length the previous frame set.
    FrameRecord feed(const std::vector<uint8_t>& bytes) {
        int symbol = 0;
        std::string raw = vardo_biphase(bytes, symbol);
        const int n = f->layout.RAWBITFRAME_LEN + 320;
        raw.resize(static_cast<std::size_t>(n), '0');
        for (int i = 0; i < n; i++) f->frame_rawbits[i] = raw[static_cast<std::size_t>(i)];
        f->frame_rawbits[n] = '\0';
        return decode_frame(*f, opt.option_b);
    }
    void print() { print_frame(*f, opt, null_fd); }
};

uint64_t next(uint64_t& s) {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return s;
}

}  // namespace

TEST(FrameRobustness, LengthByteZeroIsABadFrame) {
    Decoder d;
    d.feed(std::vector<uint8_t>(20, 0));
    FrameRecord c = d.feed(std::vector<uint8_t>(276, 0));
    EXPECT_EQ(check_pos(d.f->layout), -1);
    EXPECT_FALSE(c.check_ok);
}

TEST(FrameRobustness, CheckPastTheCaptureIsBad) {
    // A long unknown frame after a short one: length byte 0xFF with auxlen
    // 20 would put the check at 274, far past the 88 captured bytes.
    Decoder d;
    VardoFrameFields f;
    f.type = 2;
    d.feed(vardo_frame_bytes(f));
    d.feed(vardo_frame_bytes(f));
    ASSERT_EQ(d.f->layout.FRAME_LEN, 68);
    std::vector<uint8_t> b(88, 0x11);
    b[0] = 0x43 + 20;
    b[1] = 0x00;
    FrameRecord c = d.feed(b);
    EXPECT_EQ(d.f->layout.auxlen, 20);
    EXPECT_GT(check_pos(d.f->layout) + 2, 88);
    EXPECT_FALSE(c.check_ok);
}

TEST(FrameRobustness, UnknownTypeWithAValidCheckAndFieldsPastItIsGood) {
    Decoder d;
    VardoFrameFields f;
    d.feed(vardo_frame_bytes(f));
    d.feed(vardo_frame_bytes(f));
    std::vector<uint8_t> b(49, 0x22);
    b[0] = 48;  // 49 bytes, long-frame positions: the serial would be at 93
    b[1] = 0x01;
    vardo_set_check(b);
    FrameRecord c = d.feed(b);
    EXPECT_EQ(d.f->layout.type, 1);
    // Its fields are read from the frame buffer behind the check: allowed.
    EXPECT_TRUE(c.check_ok);
}

TEST(FrameRobustness, UnknownTypeThatFitsItsFieldsCanBeGood) {
    Decoder d;
    VardoFrameFields f;
    f.type = 2;
    d.feed(vardo_frame_bytes(f));
    d.feed(vardo_frame_bytes(f));
    std::vector<uint8_t> b(60, 0x22);
    b[0] = 59;
    b[1] = 0x21;
    vardo_set_check(b);
    FrameRecord c = d.feed(b);
    EXPECT_EQ(d.f->layout.type, 1);
    EXPECT_TRUE(c.check_ok);
}

TEST(FrameRobustness, RandomFramesInEveryOutputForm) {
    uint64_t seed = 0x9E3779B97F4A7C15ull;
    for (int form = 0; form < 8; form++) {
        Decoder d;
        d.opt.option_raw = form & 1;
        d.opt.option_color = (form >> 1) & 1;
        d.opt.option_verbose = Verbosity::temperature;
        d.opt.option_csv = (form >> 2) & 1;
        for (int k = 0; k < 600; k++) {
            std::vector<uint8_t> b(276);
            for (uint8_t& x : b) x = static_cast<uint8_t>(next(seed));
            // Every length byte, with known and unknown type bytes.
            b[0] = static_cast<uint8_t>(k % 256);
            const uint8_t types[] = {0x9F, 0x20, 0x00, static_cast<uint8_t>(next(seed))};
            b[1] = types[(k / 256 + k) % 4];
            if (k % 5 == 0) {
                b[0] = 0x45;
                b[1] = 0x20;
            }
            d.feed(b);
            d.print();
            ASSERT_LE(d.f->layout.FRAME_LEN, 256);
            ASSERT_GE(d.f->layout.FRAME_LEN, 1);
        }
    }
}

TEST(FrameRobustness, SymbolModeCaptureOfAnyLength) {
    Decoder d;
    d.opt.option_b = FrameBitSource::symbols;
    uint64_t seed = 12345;
    for (int k = 0; k < 300; k++) {
        const int max_bits = d.f->layout.BITFRAME_LEN + 160;
        const int n = static_cast<int>(next(seed) % static_cast<uint64_t>(max_bits + 1));
        for (int i = 0; i < n; i++) d.f->frame_bits[i] = (next(seed) & 1) ? '1' : '0';
        d.f->frame_bits[n] = '\0';
        d.f->bits_count = n;
        d.print();
    }
}
